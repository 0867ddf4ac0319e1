#pragma once

// What the kit window remembers per user between starts (QSettings): whether
// the study view was open and docked, its splitters' sizes, Execute's speed,
// the radix of sources' bare numbers, the interfacing board's profile. Never
// the memory table: that is the memory file's.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

#include "run/run_controller.h"

class QWidget;

namespace kit85 {

// Whether the user left the study view open.
bool studyViewRemembered();
void rememberStudyView(bool open);

// "1366x768": the size of the screen a widget is on. The study view's
// splitters, the windows' sizes and docking are kept per screen size, so a
// laptop and a lab screen each keep their own.
QString screenSizeKey(const QWidget* widget);

// Whether the study view opens docked to the kit on a screen of this size
// (screenSizeKey): as last chosen there, else as last chosen anywhere, else
// `fallback`. Without a screen the choice holds for every screen size.
bool studyDockedRemembered(bool fallback, const QString& screen = {});
void rememberStudyDocked(bool docked, const QString& screen = {});

// A window's size as the user left it on a screen of this size.
struct KeptWindow {
    QSize size;
    bool maximized = false;
};
std::optional<KeptWindow> rememberedWindow(const QString& name, const QString& screen);
void rememberWindow(const QString& name, const QString& screen, const KeptWindow& kept);

// A splitter's sizes as the user left them (empty when never moved).
QByteArray rememberedSplitter(const QString& key);
void rememberSplitter(const QString& key, const QByteArray& state);

// Execute's speed as the user last chose it; Full speed when never chosen.
// perSecond is kept in 1..50.
struct RunSpeed {
    Speed speed = Speed::Fast;
    int perSecond = 10;
};
RunSpeed rememberedRunSpeed();
void rememberRunSpeed(const RunSpeed& s);

// The radix of bare numbers in the sources the window opens and assembles:
// 10 (Intel's rule, the default) or 16 (kit manuals' style, "MVI A,0A").
int rememberedSourceRadix();
void rememberSourceRadix(int radix);

// The interfacing board's profile as the user left it: a shipped profile's
// name or a profile file's path; empty when the board is off (the default).
QString rememberedBoard();
void rememberBoard(const QString& profile);

}  // namespace kit85
