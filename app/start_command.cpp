#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/piece_naming.h"
#include "platform/conversions.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// A count outside the 32-bit range fails to convert and is refused like any other bad count.
bool acceptablePartsCount(const std::string& count) {
    if (!isNumeric(count)) return false;
    try {
        return toInt32(count) > 1;
    } catch (const RunError&) {
        return false;
    }
}

}  // namespace

void frmMain::cmd_Split_Click() {
    bar().reset();
    if (Opt1->value() == 0) {
        CombineFiles();
        return;
    }
    if (!acceptablePartsCount(Text3->text())) {
        report(text::badPartsCount);
        Text3->setFocus();
        return;
    }
    if (naming::isPieceFile(Text1->text())) {
        report(text::cannotSplitPiece);
        return;
    }
    SplitFile();
}

}  // namespace quorvel
