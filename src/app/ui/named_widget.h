#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

namespace kvt::ui {

// Makes a child control with its design name and place; the windows lay their controls out by
// absolute geometry, as designed.
template <typename T>
T* namedWidget(QWidget* parent, const char* name, const QRect& geometry = {}) {
    T* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    if (!geometry.isNull())
        widget->setGeometry(geometry);
    return widget;
}

} // namespace kvt::ui
