#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/progress_bar.h"
#include "engine/run_host.h"
#include "platform/controls.h"
#include "platform/toolkit.h"

namespace quorvel {

// The program's one window. It owns every control and every value its handlers share. Its runs
// are the engine's: the window starts them where the pickers and the start command leave its
// fields, and answers them as their host, piece by piece.
class frmMain : private RunHost {
  public:
    explicit frmMain(Toolkit& toolkit);
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void show();

    // Controls, in tab order.
    std::unique_ptr<Control> Frame1;
    std::unique_ptr<Control> Text3, cmd_Open, cmd_Save, cmd_Split, Text1, Label1, Label2, Text2,
        Label3, Opt1, Opt2, Check1, Label4, sp;

    // Values the handlers share.
    std::string sourcePath;
    std::string savePath;
    std::int32_t partCount = 0;
    std::string targetPath;

    // Event handlers.
    void Form_Load();
    void Opt1_Click();
    void Opt2_Click();
    void cmd_Split_Click();
    void cmd_Open_Click();
    void cmd_Save_Click();
    void Label4_Click();

    // The other doors into a run. A file named on the command line ("Open with", a double-click on
    // a piece): a piece of a set opens in Joint mode with its set's first piece chosen, any other
    // file in Split mode as its source, each as the source picker leaves them; a file that
    // cannot be, or a folder, is said so.
    void takeFile(const std::string& path);
    // Files dropped on the window, taken as the source picker takes the same choice; pieces of one
    // set as takeFile() takes one of them. Refused while a run works.
    void takeDroppedFiles(const std::vector<std::string>& paths);

    // After each piece of a run: the bar moved, and the run completed at the end. `data` is the
    // piece the split wrote; `set` the pieces the join took in.
    void PutData(const SplitPiece& data, std::int64_t l, std::int16_t num);
    void UpdateCombineProgress(const std::int32_t& curNum, const std::int32_t& totalNum,
                               JoinedSet& set);

  private:
    void SplitFile();
    void CombineFiles();

    // RunHost
    void yieldBetweenPieces() override;
    void answer() override;
    bool stopRequested() const override;
    void progressWithin(std::int32_t piece, std::int32_t pieceCount, double done) override;
    void report(const std::string& message) override;
    void pieceSplit(const SplitPiece& data, std::int64_t l, std::int16_t num) override {
        PutData(data, l, num);
    }
    void pieceJoined(const std::int32_t& curNum, const std::int32_t& totalNum,
                     JoinedSet& set) override {
        UpdateCombineProgress(curNum, totalNum, set);
    }

    std::unique_ptr<Control>* controlNamed(const char* name);
    void switchMode(int modeText, bool jointMode);
    // The source and destination as the source picker sets them for the file chosen.
    void takeSource(const std::string& chosen);
    // The mode as a click on its option gives it.
    void selectMode(bool jointMode);
    // The set's first piece for the piece at `path`, where it is there; else `path` itself.
    std::string firstPieceOfItsSet(const std::string& path);
    ProgressBar bar() { return ProgressBar(*sp); }
    // Runs `run` with the inputs disabled. A failure is reported with its description; at every
    // end, the inputs are usable again.
    void runWithInputsDisabled(const std::function<void()>& run);
    bool browserFailedToStart();

    bool watchingBrowser_ = false;

    Toolkit& toolkit_;
};

}  // namespace quorvel
