#include "ui/widgets/WindowFit.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "core/frame/KwStore.h"

namespace {

const QString kStore = QStringLiteral("KwStore");
const QString kSection = QStringLiteral("WindowSize");

QString nameOf(const QWidget &window)
{
    return window.objectName().isEmpty() ? QString::fromLatin1(window.metaObject()->className())
                                         : window.objectName();
}

QRect availableFor(const QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Writes the window's size when it goes out of sight (closed, hidden, dialog done). When it
// comes into sight, its real frame is known: a window whose frame was guessed too thin is
// fitted again.
class SizeMemory : public QObject
{
public:
    explicit SizeMemory(QWidget *window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("WindowFitSizeMemory"));
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show) {
            refit();
            // The first window's frame may only be known once the window system has mapped it.
            QTimer::singleShot(0, this, &SizeMemory::refit);
        } else if (event->type() == QEvent::Hide && !m_window->isMinimized()) {
            const QSize s = m_window->isMaximized() || m_window->isFullScreen()
                                ? m_window->normalGeometry().size()
                                : m_window->size();
            if (s.isValid())
                KwStore::set(kStore, kSection, nameOf(*m_window),
                             QStringLiteral("%1x%2").arg(s.width()).arg(s.height()));
        }
        return false;
    }

private:
    void refit()
    {
        if (!m_window->isVisible() || m_window->isMaximized() || m_window->isFullScreen())
            return;
        const QRect available = availableFor(*m_window);
        const QRect frame = m_window->frameGeometry();
        const QRect client = m_window->geometry();
        const QRect fit = WindowFit::fitted(frame, available);
        if (!available.isValid() || fit == frame)
            return;
        const QMargins m(client.left() - frame.left(), client.top() - frame.top(),
                         frame.right() - client.right(), frame.bottom() - client.bottom());
        m_window->resize(fit.size().shrunkBy(m));
        m_window->move(fit.topLeft());
    }

    QWidget *m_window;
};

// The window manager's frame around the client area: the window's own when it is shown, else
// that of the window it opens over (one window manager decorates both alike).
QMargins frameMargins(const QWidget &window)
{
    const QWidget *w = &window;
    if (!w->isVisible() && w->parentWidget())
        w = w->parentWidget()->window();
    if (!w->isVisible())
        return {};
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

} // namespace

QRect WindowFit::fitted(const QRect &frame, const QRect &available)
{
    if (!available.isValid())
        return frame;
    QRect r(frame.topLeft(), frame.size().boundedTo(available.size()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

QSize WindowFit::rememberedSize(const QString &name)
{
    const QStringList parts = KwStore::get(kStore, kSection, name).split(u'x');
    if (parts.size() != 2)
        return {};
    bool okW = false, okH = false;
    const QSize s(parts[0].toInt(&okW), parts[1].toInt(&okH));
    return okW && okH && s.width() > 0 && s.height() > 0 ? s : QSize();
}

void WindowFit::apply(QWidget &window)
{
    apply(window, availableFor(window));
}

void WindowFit::apply(QWidget &window, const QRect &available)
{
    if (!window.findChild<SizeMemory *>(QString(), Qt::FindDirectChildrenOnly))
        new SizeMemory(&window);
    // The layout's minimum size stands only once it is activated; a window cannot shrink below it.
    if (window.layout())
        window.layout()->activate();
    const QSize remembered = rememberedSize(nameOf(window));
    if (remembered.isValid())
        window.resize(remembered);
    if (!available.isValid())
        return;

    const QMargins m = frameMargins(window);
    // Where it would open: where it stands when shown, else centred over the window it opens
    // over, else in the middle of the screen.
    QRect frame(QPoint(), window.size().grownBy(m));
    const QWidget *over = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (window.isVisible())
        frame.moveTopLeft(window.frameGeometry().topLeft());
    else if (over && over->isVisible())
        frame.moveCenter(over->frameGeometry().center());
    else
        frame.moveCenter(available.center());
    const QRect fit = fitted(frame, available);
    window.resize(fit.size().shrunkBy(m));
    window.move(fit.topLeft()); // a window's position includes its frame
}
