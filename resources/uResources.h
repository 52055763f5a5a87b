#pragma once
// The pictures the program carries (zorvel.qrc, reachable as ":/rcdata/NAME"):
// registering them, and which size of a picture a screen takes.

#include <QString>
#include <QtGlobal>

#include <mutex>

// Registers the pictures; call before the first lookup (more calls cost nothing).
// The resource data is an object library that may end up inside a static library,
// where nothing else refers to it: this call also keeps the linker from dropping it.
inline void InitResources()
{
    static std::once_flag Once;
    std::call_once(Once, [] { Q_INIT_RESOURCE(zorvel); });
}

// Every picture has a twice-as-large companion named NAME@2x, drawn at the same
// size in points. A screen with more than one device pixel per point takes it.
inline bool TakesDoubleSize(qreal DevicePixelRatio)
{
    return DevicePixelRatio > 1.0;
}

inline QString DoubleSizeName(const QString& Name)
{
    return Name + QStringLiteral("@2x");
}
