// Keyboard handling of a screen: Enter order, Esc, function keys and the
// window's close button.
//
// A screen creates one router in its constructor:
//
//     auto* keys = new kit::KeyRouter(this);
//     keys->setEnterOrder({amount, payment, gift, remark}, okButton);  // Enter walks the
//                                        // fields; Enter in the last one presses okButton
//     keys->onEnter(remark, okButton);   // a field whose Enter presses a button
//     keys->onEnter(cardNumber, [this] { lookUp(); });   // or runs an action
//     keys->bindKey(Qt::Key_F2, deductButton);           // function keys press buttons
//     keys->bindKey(Qt::Key_F8, [this] { nextTab(); });
//     keys->bindEscape(returnButton);                    // Esc presses the return button
//     keys->bindClose(returnButton);     // the window's close button presses it too
//
// The router sees a key before the focused control does, but only while the
// focus is inside its screen's window (a dialog opened on top has its own
// router). A pressed button is clicked only when it is enabled. Enter on a
// focused button presses it; the screen's push buttons are no dialog
// "auto default" buttons, so Enter never presses a button by accident. Widgets that
// need their own Enter/Esc (the grid's find bar) set the dynamic property
// kit::kOwnKeysProperty to true; the router leaves keys inside them alone.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QWidget;

namespace kit {

inline constexpr const char* kOwnKeysProperty = "kitOwnKeys";

class KeyRouter : public QObject {
    Q_OBJECT
public:
    // The router belongs to `screen` and is deleted with it.
    explicit KeyRouter(QWidget* screen);
    ~KeyRouter() override;

    // Enter in fields[i] focuses the next enabled, visible field; Enter in the
    // last field presses `finalButton` (when given). onEnter() entries take
    // precedence over this order.
    void setEnterOrder(const QList<QWidget*>& fields, QAbstractButton* finalButton = nullptr);
    // Enter in `field` presses `button` / runs `action`.
    void onEnter(QWidget* field, QAbstractButton* button);
    void onEnter(QWidget* field, std::function<void()> action);

    // A key (with exact modifiers) anywhere in the screen presses `button` /
    // runs `action`.
    void bindKey(int key, QAbstractButton* button, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void bindKey(int key, std::function<void()> action, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Esc presses `button`.
    void bindEscape(QAbstractButton* button);
    // The window's close button (and close()) presses `button` instead of
    // closing directly, just after the close request; the window closes only
    // if the button's handler closes or hides it. accept(), reject() and
    // done() close the dialog without pressing the button.
    void bindClose(QAbstractButton* button);

    // Focuses the field after `field` in the Enter order (for handlers that
    // move on only under a condition). Returns false if there is none.
    bool focusNext(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Binding {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::function<void()> action;
    };
    bool handleKey(QWidget* focus, int key, Qt::KeyboardModifiers modifiers);
    bool handleEnter(QWidget* focus);
    QWidget* orderedFieldFor(QWidget* focus) const;
    static std::function<void()> pressOf(QAbstractButton* button);

    QWidget* screen_;
    QList<QPointer<QWidget>> order_;
    QPointer<QAbstractButton> finalButton_;
    QHash<QWidget*, std::function<void()>> enterActions_;
    QList<Binding> bindings_;
    QPointer<QAbstractButton> closeButton_;
    bool closingByButton_ = false;
};

}  // namespace kit
