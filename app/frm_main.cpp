#include "app/frm_main.h"

#include <cstring>
#include <string_view>

#include "app/form_design.h"
#include "app/texts.h"
#include "platform/conversions.h"
#include "platform/process.h"
#include "platform/stop_signals.h"

namespace quorvel {
namespace {

enum ModeText { splitText = 0, jointText = 1 };

// A mode tag holds the Split text and the Joint text, cut at "|".
std::string modeText(const std::string& tag, int which) {
    const auto bar = tag.find('|');
    return which == splitText ? tag.substr(0, bar) : tag.substr(bar + 1);
}

}  // namespace

frmMain::frmMain(Toolkit& toolkit) : toolkit_(toolkit) {
    toolkit_.createWindow(mainWindowDesign());
    for (const ControlDesign& design : mainWindowControls()) {
        *controlNamed(design.name) =
            toolkit_.createControl(design, design.inFrame ? Frame1.get() : nullptr);
    }
    Opt1->onClick = [this] { Opt1_Click(); };
    Opt2->onClick = [this] { Opt2_Click(); };
    cmd_Split->onClick = [this] { cmd_Split_Click(); };
    cmd_Open->onClick = [this] { cmd_Open_Click(); };
    cmd_Save->onClick = [this] { cmd_Save_Click(); };
    Label4->onClick = [this] { Label4_Click(); };
    toolkit_.onFilesDropped = [this](const std::vector<std::string>& paths) {
        takeDroppedFiles(paths);
    };
    Form_Load();
}

std::unique_ptr<Control>* frmMain::controlNamed(const char* name) {
    const std::pair<const char*, std::unique_ptr<Control> frmMain::*> members[] = {
        {"Frame1", &frmMain::Frame1}, {"Text3", &frmMain::Text3},
        {"cmd_Open", &frmMain::cmd_Open}, {"cmd_Save", &frmMain::cmd_Save},
        {"cmd_Split", &frmMain::cmd_Split}, {"Text1", &frmMain::Text1},
        {"Label1", &frmMain::Label1}, {"Label2", &frmMain::Label2},
        {"Text2", &frmMain::Text2}, {"Label3", &frmMain::Label3},
        {"Opt1", &frmMain::Opt1}, {"Opt2", &frmMain::Opt2},
        {"Check1", &frmMain::Check1}, {"Label4", &frmMain::Label4},
        {"sp", &frmMain::sp},
    };
    for (const auto& [memberName, member] : members) {
        if (std::strcmp(memberName, name) == 0) return &(this->*member);
    }
    throw std::logic_error(std::string("The window has no control named ") + name);
}

void frmMain::show() { toolkit_.showWindow(); }

void frmMain::Form_Load() {
    Label1->tag = text::label1Modes;
    Label2->tag = text::label2Modes;
    cmd_Split->tag = text::startModes;
    sp->tag = singleToText(sp->width());
}

void frmMain::Opt1_Click() { switchMode(splitText, false); }

void frmMain::Opt2_Click() { switchMode(jointText, true); }

void frmMain::switchMode(int which, bool jointMode) {
    Label1->setText(modeText(Label1->tag, which));
    Label2->setText(modeText(Label2->tag, which));
    cmd_Split->setToolTip(modeText(cmd_Split->tag, which));
    Label3->setVisible(!jointMode);
    Text3->setVisible(!jointMode);
    bar().hide();
    Check1->setVisible(jointMode);
}

void frmMain::report(const std::string& message) {
    toolkit_.messageBox(message, executableName());
}

void frmMain::yieldBetweenPieces() {
    toolkit_.doEvents();
}

void frmMain::answer() {
    toolkit_.repaint();
}

// A signal that asks the program to end stops a run as the close box does.
bool frmMain::stopRequested() const {
    return toolkit_.windowClosed() || stopSignal() != 0;
}

// A step of a long piece is where a click on the update link, held while the run waited, is
// taken.
void frmMain::progressWithin(std::int32_t piece, std::int32_t pieceCount, double done) {
    bar().advanceWithin(piece, pieceCount, done);
    toolkit_.deliverHeldClicks();
}

}  // namespace quorvel
