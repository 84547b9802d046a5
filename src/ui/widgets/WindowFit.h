#pragma once

#include <QRect>

class QWidget;

// Windows fit the counter's screen, which is often 1024 × 768: a window about to open gets the
// size it was last left at on this station (kept in the settings store under its objectName),
// then is shrunk and moved so that it lies whole within the screen's available area. The size
// the operator leaves it at is remembered when it is hidden or closed.
class WindowFit
{
public:
    // On the window's own screen.
    static void apply(QWidget &window);
    // Within `available` (screen coordinates, frame included).
    static void apply(QWidget &window, const QRect &available);

    // The frame rectangle `frame` moved and shrunk to lie within `available`; a frame that
    // already fits keeps its size, and keeps its place when it is already inside.
    static QRect fitted(const QRect &frame, const QRect &available);

    // The remembered size of a window name; invalid when there is none.
    static QSize rememberedSize(const QString &name);
};
