// The source editor with a 1,000-line source: how long the study view takes
// to open and paint with it, and how long a typed key takes to be handled,
// coloured and painted. Figures only; run offscreen:
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/panel/bench_editor

#include <Qsci/qsciscintilla.h>

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "panel/editor/source_editor.h"
#include "panel_fixture.h"

using namespace kit85;

namespace {

// A lab program repeated: labels, comments, data, every kind of token.
QString longSource(int lines) {
    QString s = "        ORG 8000H\n";
    for (int i = 1; s.count('\n') < lines - 1; ++i) {
        s += QString("L%1:    MVI C,%2H          ; count %1\n").arg(i).arg(i % 100, 2, 10, QChar('0'));
        s += "        MOV A,M\n        ADD C\n        STAX D\n        INX H\n";
        s += QString("        JNZ L%1\n        DB 'x',1,2\n").arg(i);
    }
    return s + "        HLT\n";
}

}  // namespace

class EditorBench : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        qputenv("XDG_DATA_HOME", settings_.path().toUtf8());
        rememberStudyView(false);
    }
    void openStudyViewAndPaint();
    void typeAKeyAndPaint();

private:
    QTemporaryDir settings_;
};

void EditorBench::openStudyViewAndPaint() {
    testing::Kit k;
    // The first opening makes the view, the editor and its 1,000 lines.
    QElapsedTimer first;
    first.start();
    k.w().sourceEditor().text()->setText(longSource(1000));
    k.w().studyView()->showEditor();
    k.w().setStudyOpen(true);
    k.w().studyView()->repaint();
    k.w().sourceEditor().text()->viewport()->repaint();
    qInfo("first opening with 1,000 lines, painted: %lld ms", static_cast<long long>(first.elapsed()));
    k.w().setStudyOpen(false);
    // Then each opening again.
    QBENCHMARK {
        k.w().setStudyOpen(true);
        k.w().studyView()->repaint();
        k.w().sourceEditor().text()->viewport()->repaint();
        k.w().setStudyOpen(false);
    }
}

void EditorBench::typeAKeyAndPaint() {
    testing::Kit k;
    QsciScintilla* text = k.w().sourceEditor().text();
    text->setText(longSource(1000));
    k.w().setStudyOpen(true);
    k.w().studyView()->showEditor();
    text->setCursorPosition(500, 8);
    text->ensureLineVisible(500);
    text->setFocus();
    QBENCHMARK {
        QTest::keyClick(text, Qt::Key_A);
        text->viewport()->repaint();
        QTest::keyClick(text, Qt::Key_Backspace);
        text->viewport()->repaint();
    }
}

QTEST_MAIN(EditorBench)
#include "bench_editor.moc"
