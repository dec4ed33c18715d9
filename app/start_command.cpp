#include "app/frm_main.h"
#include "engine/start_checks.h"

namespace quorvel {

void frmMain::cmd_Split_Click() {
    bar().reset();
    if (Opt1->value() == 0) {
        CombineFiles();
        return;
    }
    if (const auto refusal = checks::splitStart(Text3->text(), Text1->text())) {
        report(refusal->message);
        if (refusal->ofThePartsCount) Text3->setFocus();
        return;
    }
    SplitFile();
}

}  // namespace quorvel
