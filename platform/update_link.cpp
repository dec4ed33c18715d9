#include <iterator>

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/process.h"

namespace quorvel {
namespace {

// The update page, kept as character codes: https://www.quorvel.example/update
constexpr char updatePageCodes[] = {104, 116, 116, 112, 115, 58,  47,  47,  119, 119, 119, 46,
                                    113, 117, 111, 114, 118, 101, 108, 46,  101, 120, 97,  109,
                                    112, 108, 101, 47,  117, 112, 100, 97,  116, 101};

std::string updatePageAddress() {
    std::string address;
    for (const char code : updatePageCodes) address += code;
    return address;
}

}  // namespace

void frmMain::Label4_Click() {
    try {
        startProgram(browserProgram(), updatePageAddress());
    } catch (const std::exception&) {
        toolkit_.inputBox(text::browserNotFound, executableName(), updatePageAddress());
    }
}

}  // namespace quorvel
