#include "platform/qt/qt_front.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <map>
#include <set>

#include "platform/qt/form_view.h"
#include "platform/qt/qt_loop.h"
#include "platform/qt/x11_stage.h"

namespace rv::qt {

namespace {
// Our repaints are small strips; shared-memory images cost the X round trips of their
// completion events for every one of them.
int& prepare_environment(int& argc) {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // The windows place and move themselves, which a Wayland compositor does not allow; where
    // XWayland is there, run on it unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    return argc;
}

// Every window of the program, as it is shown, asks the X server to keep what is hidden of
// it. A window that slides or rolls up uncovers the ones under it a step at a time, faster
// than the program hears of it: the server puts their pixels back at once, where without
// this it would leave whatever was there (the sliding window's old pictures, as trails)
// until the program came round to repaint.
class HiddenPartsKeeper : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w->windowHandle()) keep_hidden_parts(*w->windowHandle());
        }
        return false;
    }
};
}  // namespace

struct QtFront::Impl {
    Impl(int& argc, char** argv) : app(prepare_environment(argc), argv) {
        flush.setSingleShot(true);
        // Model changes are gathered and drawn once the handlers of this pass are done: at
        // once after a round of timer ticks (the loop serves the marquees in batches, so a
        // few times a second), otherwise when the loop comes round.
        flush.setInterval(0);
        QObject::connect(&flush, &QTimer::timeout, [this] { flush_views(); });
        loop.set_after_ticks([this] {
            if (dirty.empty()) return;
            flush.stop();
            flush_views();
        });
        app.installEventFilter(&keeper);
    }
    void flush_views() {
        auto pending = std::move(dirty);
        dirty.clear();
        for (auto& [form, batch] : pending) {
            auto& controls = batch.controls;
            auto& view = views[form];
            if (!view) {
                if (!form->loaded() || !form->visible()) continue;
                view = std::make_unique<FormView>(*form, twips_per_pixel());
            }
            if (controls.count(nullptr))
                view->sync(nullptr);
            else
                for (auto [c, geometry] : controls) view->sync(c, geometry);
            view->paint_pending();
        }
    }
    // The window a modal box belongs to: the program's active window; when none of them is
    // active (a window's load asks before it shows), one that stays on top, else any shown.
    QWidget* opener() const {
        QWidget* active = QApplication::activeWindow();
        QWidget* shown = nullptr;
        QWidget* on_top = nullptr;
        for (const auto& [form, view] : views) {
            if (!view || !view->isVisible()) continue;
            if (view.get() == active) return active;
            shown = view.get();
            if (view->windowFlags() & Qt::WindowStaysOnTopHint) on_top = view.get();
        }
        return on_top ? on_top : shown;
    }
    double twips_per_pixel() const {
        QScreen* s = QGuiApplication::primaryScreen();
        double dpi = s ? s->logicalDotsPerInchX() : 96.0;
        return 1440.0 / (dpi > 0 ? dpi : 96.0);
    }

    QApplication app;
    HiddenPartsKeeper keeper;
    QtLoop loop;
    QTimer flush;
    std::map<forms::Form*, std::unique_ptr<FormView>> views;
    // Per form, the controls that changed and whether only their geometry did, all of one
    // load of the form: a reload turns the batch into a whole redraw.
    struct Batch {
        std::uint64_t generation = 0;
        std::map<forms::Control*, bool> controls;
    };
    std::map<forms::Form*, Batch> dirty;
    std::vector<Subscription> subscriptions;  // end before the views and batches they fill
};

QtFront::QtFront(int& argc, char** argv) : m(std::make_unique<Impl>(argc, argv)) {
    QApplication::setApplicationName("Ravelin");
    QGuiApplication::setDesktopFileName("ravelin");
    if (native_wayland())
        std::fprintf(stderr,
                     "ravelin: on Wayland without XWayland the compositor places the windows: "
                     "they open where it puts them, drags use its own move, and roll-ups and "
                     "slides do not move them\n");
}

bool QtFront::native_wayland() const {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void QtFront::raise_windows() {
    // Minimised windows are restored through their models, which the views follow at once.
    for (auto& [form, view] : m->views)
        if (view && form->loaded() && form->visible() &&
            form->window_state() == forms::WindowState::Minimized)
            form->set_window_state(forms::WindowState::Normal);
    m->flush.stop();
    m->flush_views();
    // The stand-in client's window has a view of its own, raised by its owner.
    for (auto& [form, view] : m->views) {
        if (!view || !view->isVisible()) continue;
        // One the desktop minimised behind the model's back.
        if (view->isMinimized()) view->showNormal();
        view->raise();
        view->activateWindow();
    }
}

QtFront::~QtFront() = default;

EventLoop& QtFront::loop() {
    return m->loop;
}

float QtFront::screen_width_twips() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? static_cast<float>(s->geometry().width() * m->twips_per_pixel()) : 1024 * 15.0f;
}

float QtFront::screen_height_twips() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? static_cast<float>(s->geometry().height() * m->twips_per_pixel()) : 768 * 15.0f;
}

forms::Environment::InputBoxProvider QtFront::input_box() {
    return [this](const std::string& prompt, const std::string& title, const std::string& def) {
        m->loop.before_nesting();
        QInputDialog box;
        // Above the window that asks and every window of ours that stays on top: a box that
        // opens underneath one cannot be seen, and the program waits for it. The window
        // manager keeps a transient window above its owner; the owner goes by the window,
        // not the widget, so a view that goes away under the box takes nothing with it.
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (QWidget* owner = m->opener()) {
            box.winId();
            box.windowHandle()->setTransientParent(owner->windowHandle());
        }
        box.setWindowTitle(QString::fromStdString(title));
        box.setLabelText(QString::fromStdString(prompt));
        box.setTextValue(QString::fromStdString(def));
        // The classic box is narrow and wraps its prompt: long runs of blanks in a prompt
        // push what follows onto a line of its own.
        for (QLabel* label : box.findChildren<QLabel*>()) {
            label->setWordWrap(true);
            label->setFixedWidth(300);
        }
        // Raised once shown: a window that stays on top and was mapped later must not
        // cover it.
        QTimer::singleShot(0, &box, [&box] {
            box.raise();
            box.activateWindow();
        });
        // exec() keeps the program's events running while the box is open.
        return box.exec() == QDialog::Accepted ? box.textValue().toStdString() : std::string();
    };
}

void QtFront::show_forms(forms::Environment& env) {
    // A form that is destroyed takes its window and its pending changes with it.
    m->subscriptions.push_back(env.form_gone.subscribe([this](forms::Form& f) {
        m->views.erase(&f);
        m->dirty.erase(&f);
    }));
    m->subscriptions.push_back(
        env.add_observer([this](forms::Form& f, forms::Control* c, bool geometry) {
            m->loop.note_change();
            auto& batch = m->dirty.try_emplace(&f, Impl::Batch{f.generation(), {}}).first->second;
            if (batch.generation != f.generation()) {
                batch.generation = f.generation();
                batch.controls.clear();
                c = nullptr;
            }
            // A change of the form itself redraws it whole.
            auto [it, fresh] = batch.controls.emplace(c, geometry);
            if (!fresh) it->second = it->second && geometry;
            if (!m->loop.in_ticks() && !m->flush.isActive()) m->flush.start();
        }));
}

void QtFront::at_start(std::function<void()> task) {
    QTimer::singleShot(0, std::move(task));
}

int QtFront::exec() {
    return QApplication::exec();
}

// Unconditional: quit() would first ask every window to close, and a window hands that to
// its model (the main window would shut the program down once more).
void QtFront::quit() {
    QCoreApplication::exit(0);
}

}  // namespace rv::qt
