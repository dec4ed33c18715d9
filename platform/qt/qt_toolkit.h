#pragma once

#include <QPointer>
#include <QSocketNotifier>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

#include "platform/toolkit.h"
#ifndef _WIN32
#include "platform/dialog_host.h"
#endif

namespace quorvel::qt {

// The window on Qt Widgets: each control of the design is its widget, placed at 15 twips to the
// pixel (Qt scales the whole window on high-DPI screens). Every widget is named after its control,
// so tests and tools find it by that name. Where the system has no Windows dialogs, the toolkit
// also shows the file and folder dialogs behind our stand-ins for them.
class QtToolkit final : public Toolkit
#ifndef _WIN32
    ,
                        public DialogHost
#endif
{
  public:
    QtToolkit();
    ~QtToolkit() override;
    QtToolkit(const QtToolkit&) = delete;
    QtToolkit& operator=(const QtToolkit&) = delete;

    // The main window, once created.
    QWidget* window() const;

    // Toolkit
    void createWindow(const WindowDesign& design) override;
    std::unique_ptr<Control> createControl(const ControlDesign& design, Control* frame) override;
    void showWindow() override;
    bool windowClosed() const override {
        return closed_;
    }
    void* windowHandle() const override;
    void messageBox(const std::string& text, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void doEvents() override;
    void repaint() override;

#ifndef _WIN32
    // DialogHost
    std::vector<std::string> chooseFiles(const OPENFILENAMEA& record) override;
    std::optional<std::string> chooseFolder(const BROWSEINFOA& record) override;
#endif

  private:
    class MainWindow;
    class RepaintOnly;
    // True for input the window does not handle while it only repaints: held, or kept for later.
    bool keptFromRepaint(QObject* watched, QEvent* event);
    bool activatesTheLink(const QEvent& event) const;
    bool meantForTheLink(const QEvent& event) const;

    // Both outlive the window's widgets, which use them.
    std::unique_ptr<QStyle> style_;
    std::unique_ptr<QObject> enterPresses_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<RepaintOnly> repaintOnly_;
    // Closes the window when a signal asks the program to end.
    std::unique_ptr<QSocketNotifier> stopSignals_;
    bool repainting_ = false;
    Control* link_ = nullptr;  // the update link, and its widget
    QPointer<QWidget> linkWidget_;
    // Input that came while the window only repainted, for the window it was meant for.
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> inputForLater_;
    // Each field with the name of the label that names it, tied once all the labels stand.
    std::vector<std::pair<QPointer<QWidget>, QString>> labelledFields_;
    // The widgets that take the focus, in the order of the design table.
    std::vector<QPointer<QWidget>> tabOrder_;
    bool closed_ = false;
#ifndef _WIN32
    // Like the system dialog, the file dialog opens where the user last picked a file when the
    // program asks for the same initial folder again (for this run of the program only).
    QString firstInitialFolder_, lastFileFolder_, lastFolder_;
#endif
};

}  // namespace quorvel::qt
