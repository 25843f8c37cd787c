#include "kit/keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace kit {

KeyRouter::KeyRouter(QWidget* screen) : QObject(screen), screen_(screen)
{
    // Filtering on the application lets the screen see a key before the
    // focused control, whatever control that is.
    qApp->installEventFilter(this);
    screen_->installEventFilter(this);
}

KeyRouter::~KeyRouter()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

std::function<void()> KeyRouter::pressOf(QAbstractButton* button)
{
    QPointer<QAbstractButton> guarded(button);
    return [guarded] {
        if (guarded && guarded->isEnabled())
            guarded->click();
    };
}

void KeyRouter::setEnterOrder(const QList<QWidget*>& fields, QAbstractButton* finalButton)
{
    order_.clear();
    for (QWidget* w : fields)
        order_.append(w);
    finalButton_ = finalButton;
}

void KeyRouter::onEnter(QWidget* field, QAbstractButton* button)
{
    enterActions_.insert(field, pressOf(button));
}

void KeyRouter::onEnter(QWidget* field, std::function<void()> action)
{
    enterActions_.insert(field, std::move(action));
}

void KeyRouter::bindKey(int key, QAbstractButton* button, Qt::KeyboardModifiers modifiers)
{
    bindKey(key, pressOf(button), modifiers);
}

void KeyRouter::bindKey(int key, std::function<void()> action, Qt::KeyboardModifiers modifiers)
{
    bindings_.append({key, modifiers, std::move(action)});
}

void KeyRouter::bindEscape(QAbstractButton* button) { bindKey(Qt::Key_Escape, button); }

namespace {

// Watches the screen itself (not the application) for close requests. Being
// an object filter matters: QDialog::done() eats the close event it causes
// with a filter of its own installed later, which runs before this one, so
// accept(), reject() and done() close the screen without pressing the button.
class CloseWatch : public QObject {
public:
    CloseWatch(QWidget* screen, std::function<bool(QEvent*)> onClose)
        : QObject(screen), onClose_(std::move(onClose))
    {
        screen->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return event->type() == QEvent::Close && onClose_(event);
    }

private:
    std::function<bool(QEvent*)> onClose_;
};

}  // namespace

void KeyRouter::bindClose(QAbstractButton* button)
{
    const bool watching = !closeButton_.isNull();
    closeButton_ = button;
    if (watching)
        return;
    new CloseWatch(screen_, [this](QEvent* event) {
        if (!closeButton_ || closingByButton_)
            return false;
        // The window's close button: press the return button instead; its
        // handler decides whether the window really closes. The press runs
        // once this close has been refused, so that the handler may close.
        event->ignore();
        QMetaObject::invokeMethod(this, [this] {
            closingByButton_ = true;
            pressOf(closeButton_)();
            closingByButton_ = false;
        }, Qt::QueuedConnection);
        return true;
    });
}

QWidget* KeyRouter::orderedFieldFor(QWidget* focus) const
{
    // The focus may sit in an inner part of a listed control (the line edit
    // of an editable combo box or a date picker): walk up to the listed one.
    for (QWidget* w = focus; w && w != screen_->window(); w = w->parentWidget()) {
        if (enterActions_.contains(w))
            return w;
        for (const QPointer<QWidget>& f : order_)
            if (f == w)
                return w;
    }
    return nullptr;
}

bool KeyRouter::focusNext(QWidget* field)
{
    const int at = order_.indexOf(field);
    if (at < 0)
        return false;
    for (int i = at + 1; i < order_.size(); ++i) {
        QWidget* next = order_[i];
        if (next && next->isEnabled() && next->isVisible()) {
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

bool KeyRouter::handleEnter(QWidget* focus)
{
    QWidget* field = orderedFieldFor(focus);
    if (!field) {
        // Enter on a focused button presses it.
        if (auto* button = qobject_cast<QAbstractButton*>(focus)) {
            pressOf(button)();
            return true;
        }
        return false;
    }
    if (auto it = enterActions_.find(field); it != enterActions_.end()) {
        std::function<void()> action = it.value();  // may change the bindings
        action();
        return true;
    }
    if (focusNext(field))
        return true;
    if (finalButton_ && order_.indexOf(field) >= 0) {
        pressOf(finalButton_)();
        return true;
    }
    return false;
}

bool KeyRouter::handleKey(QWidget* focus, int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= ~Qt::KeypadModifier;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier)
        if (handleEnter(focus))
            return true;
    for (const Binding& b : bindings_) {
        if (b.key == key && b.modifiers == modifiers) {
            std::function<void()> action = b.action;
            action();
            return true;
        }
    }
    return false;
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched == screen_) {
        // Enter belongs to the Enter order, not to a dialog's default button.
        for (QPushButton* b : screen_->findChildren<QPushButton*>())
            b->setAutoDefault(false);
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;

    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        focus = static_cast<QWidget*>(watched);
    if (!screen_->isVisible() || focus->window() != screen_->window())
        return false;
    for (QWidget* w = focus; w; w = w->parentWidget()) {
        if (w->property(kOwnKeysProperty).toBool())
            return false;
        if (w == screen_->window())
            break;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    return handleKey(focus, key->key(), key->modifiers());
}

}  // namespace kit
