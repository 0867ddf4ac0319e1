#pragma once

// What the kit window remembers per user between starts (QSettings): whether
// the study view was open and docked, its splitters' sizes, Execute's speed,
// the radix of sources' bare numbers. Never the memory table: that is the
// memory file's.

#include <QByteArray>
#include <QString>

#include "run/run_controller.h"

namespace kit85 {

// Whether the user left the study view open.
bool studyViewRemembered();
void rememberStudyView(bool open);

// Whether the study view opens docked to the kit; `fallback` when the user
// never chose.
bool studyDockedRemembered(bool fallback);
void rememberStudyDocked(bool docked);

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

}  // namespace kit85
