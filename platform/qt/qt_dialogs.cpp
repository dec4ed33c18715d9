// The file and folder dialogs behind our stand-ins for GetOpenFileNameA and SHBrowseForFolderA
// (platform/win32_api_layer.cpp), on systems without the Windows dialogs. They honour what the
// records ask for; the stand-ins put the answer into the caller's buffers.
#ifndef _WIN32

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QTreeView>
#include <cstring>

#include "platform/qt/qt_toolkit.h"

namespace quorvel::qt {
namespace {

QString pathText(const char* path) {
    return path ? QFile::decodeName(path) : QString();
}
std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The record's filter list: pairs of a display text and its patterns ("*.txt;*.text"), each ended
// by a NUL, the list by a second NUL. A display text without patterns stands for itself, and
// "*.*" means every file, with or without a dot in its name.
QStringList nameFilters(const char* list) {
    QStringList filters;
    for (const char* p = list; p && *p;) {
        const QString display = QString::fromUtf8(p);
        p += std::strlen(p) + 1;
        QString patterns = display;
        if (*p) {
            patterns = QString::fromUtf8(p);
            p += std::strlen(p) + 1;
        }
        QStringList globs;
        for (QString glob : patterns.split(';', Qt::SkipEmptyParts)) {
            glob = glob.trimmed();
            globs << (glob == "*.*" ? QString("*") : glob);
        }
        if (globs.isEmpty()) globs << "*";
        const bool allFiles = globs == QStringList{"*"};
        const QString shown = display == patterns && allFiles ? QString("All files") : display;
        filters << QString("%1 (%2)").arg(shown, globs.join(' '));
    }
    if (filters.isEmpty()) filters << "All files (*)";
    return filters;
}

// The file dialog of GetOpenFileNameA. Qt's own modes confirm existing files only; with
// OFN_CREATEPROMPT the dialog takes any name and, for one that does not exist yet, asks whether
// to create it, as the system dialog does (the file itself is not created).
class OpenFileDialog : public QFileDialog {
  public:
    OpenFileDialog(QWidget* owner, const QString& title, Options options, bool severalFiles,
                   bool createPrompt)
        : QFileDialog(owner, title), createPrompt_(createPrompt) {
        setOptions(options);
        setFileMode(createPrompt ? AnyFile : severalFiles ? ExistingFiles : ExistingFile);
        // Any name, and still several files picked in the list.
        if (createPrompt && severalFiles) {
            for (auto* view : findChildren<QAbstractItemView*>()) {
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
            }
        }
    }

    QStringList chosen() const { return chosen_; }

    void accept() override {
        const QStringList files = selectedFiles();
        if (!createPrompt_ || files.isEmpty()) {
            chosen_ = files;
            QFileDialog::accept();
            return;
        }
        if (files.size() == 1) {
            const QFileInfo file(files.front());
            if (file.isDir()) {
                setDirectory(file.absoluteFilePath());
                return;
            }
            if (!file.exists() && !file.isSymLink()) {
                if (!QFileInfo(file.absolutePath()).isDir()) return notFound(file);
                const auto answer = QMessageBox::question(
                    this, windowTitle(),
                    QString("%1\nThis file does not exist.\nDo you want to create it?")
                        .arg(file.fileName()));
                if (answer != QMessageBox::Yes) return;
            }
        } else {
            for (const QString& path : files) {
                const QFileInfo file(path);
                if (!file.exists() || file.isDir()) return notFound(file);
            }
        }
        chosen_ = files;
        QDialog::accept();
    }

  private:
    void notFound(const QFileInfo& file) {
        QMessageBox::warning(this, windowTitle(),
                             QString("%1\nFile not found.\nCheck the file name and try again.")
                                 .arg(file.fileName()));
    }

    bool createPrompt_;
    QStringList chosen_;
};

// Wide enough columns for sizes and dates in full; the name takes the rest.
void widenColumns(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>("treeView");
    if (!details) return;
    QHeaderView* header = details->header();
    if (header->count() < 4) return;
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    const int widths[] = {0, 90, 120, 150};
    for (int column = 1; column < 4; ++column) header->resizeSection(column, widths[column]);
}

}  // namespace

std::vector<std::string> QtToolkit::chooseFiles(const OPENFILENAMEA& record) {
    const QString title = record.lpstrTitle ? QString::fromUtf8(record.lpstrTitle) : "Open";
    // Qt's own dialog, which honours every flag below on every desktop. Like the system dialog it
    // has no read-only box to hide (OFN_HIDEREADONLY).
    QFileDialog::Options options =
        QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
    if (record.Flags & OFN_NODEREFERENCELINKS) options |= QFileDialog::DontResolveSymlinks;
    OpenFileDialog dialog(window(), title, options, record.Flags & OFN_ALLOWMULTISELECT,
                          record.Flags & OFN_CREATEPROMPT);
    dialog.setObjectName("GetOpenFileName");
    dialog.resize(760, 480);
    widenColumns(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);

    const QStringList filters = nameFilters(record.lpstrFilter);
    dialog.setNameFilters(filters);
    if (record.nFilterIndex >= 1 && record.nFilterIndex <= DWORD(filters.size())) {
        dialog.selectNameFilter(filters[int(record.nFilterIndex) - 1]);
    }

    const QString initial = pathText(record.lpstrInitialDir);
    if (firstInitialFolder_.isNull()) firstInitialFolder_ = initial;
    QString start = initial;
    if (initial == firstInitialFolder_ && !lastFileFolder_.isEmpty()) start = lastFileFolder_;
    dialog.setDirectory(start.isEmpty() ? QDir::currentPath() : start);
    // The buffer may propose a name; it holds nMaxFile characters, not always ended by a NUL.
    const QString proposed =
        record.lpstrFile
            ? QFile::decodeName(QByteArray(record.lpstrFile,
                                           qsizetype(strnlen(record.lpstrFile, record.nMaxFile))))
                  .trimmed()
            : QString();
    if (!proposed.isEmpty()) dialog.selectFile(proposed);

    if (dialog.exec() != QDialog::Accepted) return {};
    std::vector<std::string> files;
    for (const QString& chosen : dialog.chosen()) {
        QFileInfo file(chosen);
        // Without OFN_NODEREFERENCELINKS a link stands for the file it points to.
        const QString path =
            !(record.Flags & OFN_NODEREFERENCELINKS) && file.isSymLink() && file.exists()
                ? file.canonicalFilePath()
                : QDir::cleanPath(file.absoluteFilePath());
        files.push_back(pathBytes(path));
    }
    if (!files.empty()) lastFileFolder_ = QFileInfo(dialog.chosen().front()).absolutePath();
    return files;
}

std::optional<std::string> QtToolkit::chooseFolder(const BROWSEINFOA& record) {
    const QString title =
        record.lpszTitle ? QString::fromUtf8(record.lpszTitle) : QString("Browse For Folder");
    QFileDialog dialog(window(), title);
    dialog.setObjectName("BrowseForFolder");
    dialog.resize(640, 440);
    // Only folders can be confirmed (BIF_RETURNONLYFSDIRS): every folder here has a path.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setDirectory(lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // No trailing separator, except at the root.
    const QString folder =
        QDir::cleanPath(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath());
    if (!QFileInfo(folder).isDir()) return std::nullopt;
    lastFolder_ = folder;
    return pathBytes(folder);
}

}  // namespace quorvel::qt

#endif
