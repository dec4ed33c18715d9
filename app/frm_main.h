#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/progress_bar.h"
#include "platform/controls.h"
#include "platform/folder.h"
#include "platform/replacing_file.h"
#include "platform/toolkit.h"

namespace quorvel {

class File;
class WriteOutPacer;

// The bytes of one piece: the next `length` bytes of the open source, from where the last piece
// ended. They are copied straight to the piece file, never held whole in memory.
struct PieceData {
    File& source;
    std::int64_t length;
    // The source's length when the run began; a source that changes since is not split.
    std::int64_t sourceLength;
    // The source's permission bits, which every piece gets: read once, not once a piece.
    unsigned permissions;
    const Folder& folder;  // where the pieces go
    WriteOutPacer& pacer;
    // Piece 1, complete under a temporary name: it is put in place last, once every other piece
    // is, so that no unfinished split leaves a set a join would take for a whole one.
    std::optional<ReplacingFile> firstPiece = {};
};

// The program's one window. It owns every control and every value its handlers share; the runs
// and pickers are its member functions, defined beside their subsystem (engine/, platform/).
class frmMain {
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

    // Run operations: one piece written or appended, the bar moved, the run completed at the end.
    void PutData(PieceData& data, std::int64_t l, std::int16_t num);
    void UpdateCombineProgress(const std::int32_t& curNum, const std::int32_t& totalNum);

private:
    void SplitFile();
    void CombineFiles();

    std::unique_ptr<Control>* controlNamed(const char* name);
    void switchMode(int modeText, bool jointMode);
    ProgressBar bar() { return ProgressBar(*sp); }
    void report(const std::string& message);
    // Runs `run` with the inputs disabled. A failure is reported with its description; at every
    // end, the inputs are usable again.
    void runWithInputsDisabled(const std::function<void()>& run);
    void writePiece(PieceData& data, ReplacingFile& piece, std::int16_t num);
    void completeSplit(PieceData& data);
    void removeOldFirstPiece(const File& source);
    void removeLeftoverPieces();
    void deleteJoinedPieces(std::int32_t pieceCount);
    // Lets the window handle its events between two pieces; throws RunCancelled once it is closed.
    void yieldBetweenPieces();
    // The same in the middle of a piece, with the inputs still disabled, so that a long piece
    // keeps the window live and a close stops it at once.
    void answerDuringWork();
    // For long loops of checks: lets the window answer once 10 ms have passed since it last did,
    // whichever part of the run that was.
    std::function<void()> answeringNowAndThen();
    // After each step of a copy within piece `piece`: the bar shows the bytes on the medium.
    std::function<void(std::int64_t)> showProgressWithin(std::int32_t piece,
                                                         std::int32_t pieceCount,
                                                         std::int64_t pieceLength);
    bool browserFailedToStart();

    bool watchingBrowser_ = false;
    std::chrono::steady_clock::time_point lastAnswer_ = std::chrono::steady_clock::now();

    Toolkit& toolkit_;
};

}  // namespace quorvel
