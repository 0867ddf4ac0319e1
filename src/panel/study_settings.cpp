#include "panel/study_settings.h"

#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <array>
#include <utility>

namespace kit85 {

namespace {

QSettings studySettings() { return QSettings(QSettings::UserScope, "kit85", "kit85"); }

}  // namespace

bool studyViewRemembered() { return studySettings().value("studyView/open", false).toBool(); }

void rememberStudyView(bool open) {
    QSettings s = studySettings();
    s.setValue("studyView/open", open);
}

QString screenSizeKey(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen) return "none";
    return QString("%1x%2").arg(screen->size().width()).arg(screen->size().height());
}

bool studyDockedRemembered(bool fallback, const QString& screen) {
    const QSettings s = studySettings();
    const QVariant anywhere = s.value("studyView/docked", fallback);
    return screen.isEmpty() ? anywhere.toBool() : s.value("layout/" + screen + "/docked", anywhere).toBool();
}

void rememberStudyDocked(bool docked, const QString& screen) {
    QSettings s = studySettings();
    s.setValue("studyView/docked", docked);
    if (!screen.isEmpty()) {
        s.setValue("layout/" + screen + "/docked", docked);
        return;
    }
    s.beginGroup("layout");
    for (const QString& size : s.childGroups()) s.remove(size + "/docked");
    s.endGroup();
}

std::optional<KeptWindow> rememberedWindow(const QString& name, const QString& screen) {
    const QSettings s = studySettings();
    const QString key = "layout/" + screen + "/" + name;
    const QSize size = s.value(key + "/size").toSize();
    if (!size.isValid()) return std::nullopt;
    return KeptWindow{size, s.value(key + "/maximized", false).toBool()};
}

void rememberWindow(const QString& name, const QString& screen, const KeptWindow& kept) {
    QSettings s = studySettings();
    const QString key = "layout/" + screen + "/" + name;
    s.setValue(key + "/size", kept.size);
    s.setValue(key + "/maximized", kept.maximized);
}

int rememberedSourceRadix() { return studySettings().value("sources/radix", 10).toInt() == 16 ? 16 : 10; }

void rememberSourceRadix(int radix) {
    QSettings s = studySettings();
    s.setValue("sources/radix", radix == 16 ? 16 : 10);
}

QString rememberedBoard() { return studySettings().value("board/profile").toString(); }

void rememberBoard(const QString& profile) {
    QSettings s = studySettings();
    s.setValue("board/profile", profile);
}

QByteArray rememberedSplitter(const QString& key) {
    return studySettings().value("studyView/splitter/" + key).toByteArray();
}

void rememberSplitter(const QString& key, const QByteArray& state) {
    QSettings s = studySettings();
    s.setValue("studyView/splitter/" + key, state);
}

namespace {
// Stored by name, so a reordered enum never misreads a user's setting.
constexpr std::array<std::pair<Speed, const char*>, 3> kSpeedNames = {{
    {Speed::Fast, "full"},
    {Speed::Kit, "kit"},
    {Speed::Slow, "slow"},
}};
}  // namespace

RunSpeed rememberedRunSpeed() {
    const QSettings s = studySettings();
    RunSpeed r;
    const QString name = s.value("run/speed", "full").toString();
    for (const auto& [speed, n] : kSpeedNames)
        if (name == n) r.speed = speed;
    r.perSecond = std::clamp(s.value("run/perSecond", r.perSecond).toInt(), kSlowestPerSecond, kFastestSlowPerSecond);
    return r;
}

void rememberRunSpeed(const RunSpeed& r) {
    QSettings s = studySettings();
    for (const auto& [speed, n] : kSpeedNames)
        if (speed == r.speed) s.setValue("run/speed", n);
    s.setValue("run/perSecond", r.perSecond);
}

}  // namespace kit85
