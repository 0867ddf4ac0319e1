#pragma once

// The source editor in the study view, for the editor's tests: a kit with the
// view open on the editor's tab and the editor's questions answered from
// fields the test sets, a program to load, and the margin's markers.

#include <Qsci/qsciscintilla.h>

#include <QFile>
#include <QStringList>

#include "panel/editor/source_editor.h"
#include "panel/study_view.h"
#include "panel_fixture.h"

namespace kit85::testing {

// The kit with its study view open on the editor's tab; the editor's
// questions answered from fields the test sets.
struct Editing : Kit {
    Editing() {
        w().setStudyOpen(true);
        if (!QTest::qWaitForWindowExposed(w().studyView())) qFatal("the study view was never exposed");
        w().studyView()->showEditor();
        SourceEditor::Dialogs d;
        d.openFile = [this](const QString&) { return openAnswer; };
        d.saveFile = [this](const QString&, const QString&, const QString&) { return saveAnswer; };
        d.unsaved = [this](const QString& q) {
            questions << q;
            return unsavedAnswer;
        };
        d.ask = [this](const QString& q) {
            questions << q;
            return askAnswer;
        };
        editor().setDialogs(d);
    }
    SourceEditor& editor() { return w().sourceEditor(); }
    QsciScintilla& text() { return *editor().text(); }
    void setSource(const QString& source) { text().setText(source); }
    // "8100=08 A=08": each memory row or register, listed where it differs.
    QString differences(const QString& expect) {
        QStringList out;
        for (const QString& item : expect.split(' ', Qt::SkipEmptyParts)) {
            const QString name = item.section('=', 0, 0);
            const QString want = item.section('=', 1);
            QString got;
            if (name.size() == 4) {
                const std::optional<int> row = w().memory().rowOf(Text(name.toStdString()));
                got = row ? QString::fromStdString(w().memory().dataAt(*row).str()) : "(no row)";
            } else {
                got = QString::fromStdString(kit()[registerNamed(name.toStdString())->reg].str());
            }
            if (got != want) out << name + " is " + got + ", not " + want;
        }
        return out.join("; ");
    }
    void runFrom(const char* address) {
        keys(QString("address ") + QString(address).split("", Qt::SkipEmptyParts).join(' ') + " execute");
        QTRY_VERIFY_WITH_TIMEOUT(!w().running(), 20000);
    }
    QString openAnswer;
    QString saveAnswer;
    SourceEditor::Unsaved unsavedAnswer = SourceEditor::Unsaved::Cancel;
    bool askAnswer = true;
    QStringList questions;
};

// Line numbers below are 0-based, as the editor's.
inline const char* const kCountDown =
    "; counts C down from 3, adding each to A\n"  // 0
    "        ORG     8000H\n"                     // 1
    "        MVI     A,00H\n"                     // 2
    "        MVI     C,03H\n"                     // 3
    "LOOP:   ADD     C          ; A += C\n"       // 4
    "        DCR     C\n"                         // 5
    "        JNZ     LOOP\n"                      // 6
    "        STA     8100H\n"                     // 7
    "        HLT\n";                              // 8

inline bool writeBytes(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

inline bool hasMarker(QsciScintilla& t, int line, int marker) { return t.markersAtLine(line) & (1u << marker); }
inline constexpr int kErrorMarker = 1;
inline constexpr int kWarningMarker = 2;

}  // namespace kit85::testing
