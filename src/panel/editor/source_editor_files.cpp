// The source editor's files: New, Open, Save, Save As, the recent files, the
// question on unsaved changes, and the recovery copies.

#include <Qsci/qsciscintilla.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <signal.h>
#include <unistd.h>

#include "kit/presenter.h"
#include "panel/editor/source_editor.h"
#include "values/text_encoding.h"

namespace kit85 {

namespace {

constexpr int kRecentShown = 8;
constexpr qint64 kMostSourceBytes = 16 << 20;
const char* const kSourceFilter = "8085 sources (*.asm *.a85);;All files (*)";

QSettings editorSettings() { return QSettings(QSettings::UserScope, "kit85", "kit85"); }

// The recovery copy's companion: the source's path, then the writing
// kit's process id (a copy of a kit still running is not offered).
QString originFile(const QString& copy) { return copy + ".origin"; }

bool writeAll(const QString& file, const QByteArray& data) {
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.commit();
}

}  // namespace

const char* const SourceEditor::kTemplate =
    "; Name        :\n"
    "; Roll number :\n"
    "; Aim         :\n"
    "\n"
    "        ORG     8000H\n"
    "\n"
    "        HLT\n";

SourceEditor::Dialogs SourceEditor::standardDialogs(QWidget* parent) {
    Dialogs d;
    d.openFile = [parent](const QString& folder) {
        return QFileDialog::getOpenFileName(parent, "Open an 8085 source", folder, kSourceFilter);
    };
    d.saveFile = [parent](const QString& title, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, suggested, filter);
    };
    d.unsaved = [parent](const QString& question) {
        const auto b = QMessageBox::question(parent, "kit85", question,
                                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        return b == QMessageBox::Save ? Unsaved::Save : b == QMessageBox::Discard ? Unsaved::Discard : Unsaved::Cancel;
    };
    d.ask = [parent](const QString& question) {
        return QMessageBox::question(parent, "kit85", question) == QMessageBox::Yes;
    };
    return d;
}

bool SourceEditor::modified() const { return text_->isModified(); }

QString SourceEditor::title() const { return sourceName() + (modified() ? " *" : ""); }

void SourceEditor::modifiedChanged() { emit titleChanged(title()); }

void SourceEditor::setText(const QString& text, const QString& path) {
    path_ = path;
    text_->setText(text);
    text_->setModified(false);
    clearDiagnostics();
    text_->markerDeleteAll();
    map_ = SourceMap();
    anchors_.clear();
    held_.clear();
    pcLine_ = -1;
    assembled_.clear();
    changed_.clear();
    recoveryDue_ = false;
    encoding_ = TextEncoding::Utf8;
    text_->setEolMode(QsciScintilla::EolUnix);
    setNote(QString());
    emit titleChanged(title());
}

bool SourceEditor::newSource() {
    if (!maybeClose()) return false;
    setText(kTemplate, QString());
    text_->setCursorPosition(0, static_cast<int>(QString("; Name        : ").size()));
    return true;
}

bool SourceEditor::open() {
    const QStringList recent = recentFiles();
    const QString file = dialogs_.openFile(recent.isEmpty() ? QString() : QFileInfo(recent.first()).path());
    return !file.isEmpty() && openPath(file);
}

bool SourceEditor::openPath(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        tell(file.toStdString() + " cannot be read (" + in.errorString().toStdString() + ")");
        return false;
    }
    if (in.size() > kMostSourceBytes) {
        tell(file.toStdString() + " is larger than 16 MiB; no 8085 source is that large");
        return false;
    }
    const QByteArray data = in.readAll();
    // What the bytes are is found before anything is shown: a file that is
    // no text would open as its first few characters, and a save would then
    // replace it with them.
    const DecodedText decoded = decodeText(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    if (!decoded.ok()) {
        tell(notTextMessage(QFileInfo(file).fileName().toStdString(), decoded) + "; it was not opened");
        return false;
    }
    if (!maybeClose()) return false;
    // A file is written back in the encoding it was read in (a Latin-1
    // comment byte for byte, UTF-16 with its mark), so saving never changes
    // what it did not edit.
    const QByteArray bytes(decoded.text.data(), static_cast<qsizetype>(decoded.text.size()));
    setText(decoded.encoding == TextEncoding::Latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes),
            QFileInfo(file).absoluteFilePath());
    encoding_ = decoded.encoding;
    text_->setEolMode(decoded.text.find("\r\n") != std::string::npos ? QsciScintilla::EolWindows
                                                                     : QsciScintilla::EolUnix);
    noteRecent(path_);
    return true;
}

bool SourceEditor::save() { return path_.isEmpty() ? saveAs() : writeFile(path_); }

bool SourceEditor::saveAs() {
    const QString suggested = path_.isEmpty() ? QDir::homePath() + "/program.asm" : path_;
    QString file = dialogs_.saveFile("Save the source", suggested, kSourceFilter);
    if (file.isEmpty()) return false;
    // The dialog asked about replacing the name given, not the one with .asm.
    if (QFileInfo(file).suffix().isEmpty()) {
        file += ".asm";
        if (QFileInfo::exists(file) && !dialogs_.ask(QFileInfo(file).fileName() + " already exists. Replace it?"))
            return false;
    }
    if (!writeFile(file)) return false;
    noteRecent(path_);
    return true;
}

// Written whole or not at all; the recovery copy goes once the file is safe.
bool SourceEditor::writeFile(const QString& file) {
    QSaveFile out(file);
    const QByteArray utf8 = text_->text().toUtf8();
    const std::string encoded =
        encodeText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), encoding_);
    const QByteArray data(encoded.data(), static_cast<qsizetype>(encoded.size()));
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        tell(file.toStdString() + " cannot be written (" + out.errorString().toStdString() + "); nothing was saved");
        return false;
    }
    dropRecovery();
    path_ = QFileInfo(file).absoluteFilePath();
    text_->setModified(false);
    emit titleChanged(title());
    setNote(QString("saved \"%1\" (%2 bytes)").arg(QFileInfo(file).fileName()).arg(data.size()));
    return true;
}

bool SourceEditor::maybeClose() {
    if (!modified()) {
        dropRecovery();
        return true;
    }
    switch (dialogs_.unsaved(sourceName() + " has changes that are not saved. Save them?")) {
        case Unsaved::Save: return save();
        case Unsaved::Discard: dropRecovery(); return true;
        case Unsaved::Cancel: return false;
    }
    return false;
}

QStringList SourceEditor::recentFiles() const { return editorSettings().value("editor/recent").toStringList(); }

void SourceEditor::noteRecent(const QString& file) {
    QStringList recent = recentFiles();
    recent.removeAll(file);
    recent.prepend(file);
    while (recent.size() > kRecentShown) recent.removeLast();
    QSettings s = editorSettings();
    s.setValue("editor/recent", recent);
}

void SourceEditor::fillRecentMenu() {
    recent_->clear();
    for (const QString& file : recentFiles()) recent_->addAction(file, this, [this, file] { openPath(file); });
    if (recent_->isEmpty()) recent_->addAction("(none yet)")->setEnabled(false);
}

// --- Recovery ---------------------------------------------------------------

QString SourceEditor::recoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery";
}

// An unsaved source's copy carries the kit's process id, so two kits each
// with one keep two copies.
QString SourceEditor::recoveryFile() const {
    const QString name = path_.isEmpty() ? QString("untitled-%1.asm").arg(QCoreApplication::applicationPid())
                                         : QString::fromStdString(recoveryFileName(path_.toStdString()));
    return recoveryFolder() + "/" + name;
}

void SourceEditor::writeRecovery() {
    if (!recoveryDue_ || !modified()) return;
    recoveryDue_ = false;
    if (!QDir().mkpath(recoveryFolder())) return;
    const QString copy = recoveryFile();
    const QByteArray origin = path_.toUtf8() + "\n" + QByteArray::number(QCoreApplication::applicationPid()) + "\n";
    // The companion first: a copy is never found without it.
    if (!writeAll(originFile(copy), origin) || !writeAll(copy, text_->text().toUtf8())) recoveryDue_ = true;
}

void SourceEditor::dropRecovery() {
    const QString copy = recoveryFile();
    QFile::remove(copy);
    QFile::remove(originFile(copy));
}

bool SourceEditor::offerRecovery() {
    const QDir folder(recoveryFolder());
    for (const QFileInfo& copy : folder.entryInfoList({"*.asm"}, QDir::Files, QDir::Time)) {
        QFile originIn(originFile(copy.filePath()));
        if (!originIn.open(QIODevice::ReadOnly)) continue;
        const QList<QByteArray> origin = originIn.readAll().split('\n');
        const QString path = QString::fromUtf8(origin.value(0));
        const qint64 pid = origin.value(1).toLongLong();
        if (pid > 0 && pid != QCoreApplication::applicationPid() && ::kill(static_cast<pid_t>(pid), 0) == 0) continue;
        QFile in(copy.filePath());
        if (!in.open(QIODevice::ReadOnly)) continue;
        const QString name = path.isEmpty() ? QString("an unsaved source") : QFileInfo(path).fileName();
        const QString when = copy.lastModified().toString("d MMM yyyy, HH:mm:ss");
        if (!dialogs_.ask("kit85 ended without saving " + name + ". A copy of it was kept at " + when +
                          ". Open that copy in the editor?")) {
            QFile::remove(copy.filePath());
            QFile::remove(originFile(copy.filePath()));
            continue;
        }
        const QByteArray kept = in.readAll();
        if (!maybeClose()) return false;
        // Put in as an edit, so the copy counts as unsaved (it is not what
        // the file holds) and is kept again though not edited yet.
        setText(QString(), path);
        text_->insert(QString::fromUtf8(kept));
        recoveryDue_ = true;
        if (copy.absoluteFilePath() != QFileInfo(recoveryFile()).absoluteFilePath()) {
            // Kept from now on under this kit's name for it.
            QFile::remove(copy.filePath());
            QFile::remove(originFile(copy.filePath()));
            writeRecovery();
        }
        emit titleChanged(title());
        setNote("Recovered copy of " + sourceName() + ": save it to keep it");
        return true;
    }
    return false;
}

}  // namespace kit85
