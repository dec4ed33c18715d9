#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/join_run.h"
#include "engine/split_run.h"
#include "engine/start_checks.h"
#include "platform/conversions.h"
#include "platform/run_error.h"

// The window's side of the split and the join: the fields the runs start from, and what the
// window does after each piece.
namespace quorvel {

void frmMain::runWithInputsDisabled(const std::function<void()>& run) {
    Frame1->setEnabled(false);
    try {
        run();
    } catch (const RunCancelled&) {
        // The window is gone: there is no one left to tell.
    } catch (const std::exception& error) {
        report(error.what());
    }
    Frame1->setEnabled(true);
    // A click on the update link held while the run waited for the medium is taken now.
    if (!toolkit_.windowClosed()) toolkit_.deliverHeldClicks();
}

void frmMain::SplitFile() {
    runWithInputsDisabled([this] {
        if (const auto refusal = checks::splitInputs(Text1->text(), Text2->text())) {
            report(refusal->message);
            return;
        }
        partCount = toInt32(Text3->text());
        splitFile({sourcePath, savePath, partCount}, *this);
    });
}

void frmMain::PutData(const SplitPiece& /*data*/, std::int64_t /*l*/, std::int16_t num) {
    if (!bar().advance(num, partCount)) return;
    report(text::splitDone);
    Frame1->setEnabled(true);
}

void frmMain::CombineFiles() {
    runWithInputsDisabled([this] {
        if (const auto refusal = checks::joinInputs(sourcePath)) {
            report(refusal->message);
            return;
        }
        JoinRun join({sourcePath, savePath}, *this);
        partCount = join.pieceCount();
        targetPath = join.targetPath();
        join.run();
    });
}

void frmMain::UpdateCombineProgress(const std::int32_t& curNum, const std::int32_t& totalNum,
                                    JoinedSet& set) {
    if (totalNum == 0) throw RunError("No piece of the set was found.");
    if (!bar().advance(curNum, totalNum)) return;
    report(text::jointDone);
    Frame1->setEnabled(true);
    if (Check1->value() == 1) set.deletePieces();
}

}  // namespace quorvel
