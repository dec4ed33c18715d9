#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/frm_main.h"
#include "tests/support/files.h"
#include "tests/support/headless_toolkit.h"

namespace quorvel::testing {

// The window as a user meets it, over a fresh folder.
class WindowTest : public ::testing::Test {
protected:
    TempFolder dir;
    HeadlessToolkit kit;
    frmMain form{kit};

    // Sets the source and destination as the pickers leave them.
    void choose(const std::string& source, const std::string& destination) {
        form.Text1->setText(source);
        form.sourcePath = source;
        form.Text2->setText(destination);
        form.savePath = destination;
    }
    void split(const std::string& source, const std::string& destination, const std::string& parts) {
        choose(source, destination);
        kit.type("Text3", parts);
        kit.click("cmd_Split");
    }
    void join(const std::string& firstPiece, const std::string& destination) {
        kit.click("Opt2");
        choose(firstPiece, destination);
        kit.click("cmd_Split");
    }
    std::string lastMessage() const {
        return kit.messages.empty() ? std::string() : kit.messages.back().text;
    }
    std::string piece(const std::string& name, int n) const { return pieceIn(dir.path(), name, n); }
};

}  // namespace quorvel::testing
