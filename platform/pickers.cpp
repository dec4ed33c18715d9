#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/piece_naming.h"
#include "platform/module1.h"

namespace quorvel {
namespace {

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

// Picking a source proposes its own folder, with the trailing separator, as the destination.
void frmMain::cmd_Open_Click() {
    try {
        const std::string chosen = trimSpaces(
            Module1::ShowOpenFileDialog(toolkit_, text::openFilter, text::openTitle, ""));
        if (chosen.empty()) return;
        takeSource(chosen);
    } catch (const std::exception&) {
        // A picker that fails changes nothing more and says nothing.
    }
}

void frmMain::takeSource(const std::string& chosen) {
    Text1->setText(chosen);
    sourcePath = Text1->text();
    const std::string source = Text1->text();
    Text2->setText(source.substr(0, source.size() - naming::fileName(source).size()));
    savePath = Text2->text();
}

void frmMain::cmd_Save_Click() {
    try {
        const std::string chosen = trimSpaces(Module1::BrowseForFolder(toolkit_, text::saveTitle));
        if (chosen.empty()) return;
        Text2->setText(chosen);
        savePath = Text2->text();
    } catch (const std::exception&) {
        // As above.
    }
}

}  // namespace quorvel
