#include <filesystem>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/file_system.h"

namespace quorvel {

void frmMain::selectMode(bool jointMode) {
    (jointMode ? Opt2 : Opt1)->setValue(1);
    (jointMode ? Opt1 : Opt2)->setValue(0);
    jointMode ? Opt2_Click() : Opt1_Click();
}

std::string frmMain::firstPieceOfItsSet(const std::string& path) {
    PieceLookup set(naming::prefixOfPiece(path), [this] { toolkit_.repaint(); });
    const auto first = set.find(1);
    return first ? first->path : path;
}

void frmMain::takeFile(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        report(text::cannotOpen + path + text::isAFolder);
        return;
    }
    if (!isOrdinaryFile(path)) {
        report(text::cannotOpen + path + text::noSuchFile);
        return;
    }
    const bool piece = naming::pieceNumber(path).has_value();
    selectMode(piece);
    takeSource(piece ? firstPieceOfItsSet(path) : path);
}

// In the mode the window is in, one file is that file and several, as the file dialog gives
// several chosen, their folder; pieces of one set open as when one of them is named.
void frmMain::takeDroppedFiles(const std::vector<std::string>& paths) {
    if (paths.empty() || !Frame1->enabled()) return;
    const auto ofOneSet = [&paths] {
        const std::string prefix = naming::prefixOfPiece(paths.front());
        for (const std::string& path : paths) {
            if (!naming::pieceNumber(path) ||
                !naming::sameIgnoringCase(naming::prefixOfPiece(path), prefix)) {
                return false;
            }
        }
        return true;
    };
    if (ofOneSet()) {
        takeFile(paths.front());
        return;
    }
    takeSource(paths.size() == 1 ? paths.front() : folderOf(paths.front()));
}

}  // namespace quorvel
