#pragma once

// What the kit window remembers per user between starts (QSettings): whether
// the study view was open and docked, its splitters' sizes, Execute's speed. Never the memory table: that is
// the memory file's.

#include <QByteArray>
#include <QString>

#include "run/run_controller.h"

namespace kit85 {

// Whether the user left the study view open.
bool studyViewRemembered();
void rememberStudyView(bool open);

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

}  // namespace kit85
