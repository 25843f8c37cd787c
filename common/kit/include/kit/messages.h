// Messages, questions, modal dialogs and the save-file dialog, all behind one
// replaceable seam, plus the general error handler.
//
// Screens never call QMessageBox, QDialog::exec() or QFileDialog directly:
//
//     kit::info(this, "此卡为新卡，请发行后再操作");          // plain box, one OK button
//     kit::warn(this, "密码错误");                             // warning box (sign-in)
//     if (kit::ask(this, "是否打印充值信息?")) print();        // Yes/No, caption "请选择"
//     kit::openModal(&recharge);                              // instead of recharge.exec()
//     kit::guard(this, [&] { runStatements(); });              // errors become a message
//
// Tests put a kit::ScriptedMessages on the stack: while it lives, every text
// is recorded and every question is answered from its queue, so no test
// ever blocks on a dialog.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <QApplication>

#include <deque>
#include <exception>
#include <functional>

class QDialog;
class QWidget;

namespace kit {

// The caption of every Yes/No question.
inline const QString kQuestionCaption = QStringLiteral("请选择");

enum class MessageKind { Info, Warning, Question, Modal, SaveDialog };

// What the save-file dialog returns: the chosen path (empty on cancel) and
// the 0-based index of the chosen file type.
struct SaveChoice {
    QString path;
    int filterIndex = 0;
    bool cancelled() const { return path.isEmpty(); }
};

// The seam. The default implementation shows real Qt dialogs; tests install
// ScriptedMessages. Only one seam is active at a time.
class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    // Plain message box with one OK button.
    virtual void info(QWidget* parent, const QString& text) = 0;
    // Warning box with one OK button (the sign-in dialog uses these).
    virtual void warn(QWidget* parent, const QString& text) = 0;
    // Yes/No question with the caption "请选择"; true means Yes.
    virtual bool ask(QWidget* parent, const QString& question) = 0;
    // Runs a dialog modally and returns its result (QDialog::Accepted/Rejected).
    virtual int openModal(QDialog* dialog) = 0;
    // Save-file dialog with the given file types ("Excel Files(*.xls)", ...).
    virtual SaveChoice chooseSaveFile(QWidget* parent, const QString& proposedName,
                                      const QStringList& fileTypes) = 0;
};

// The seam in use (never null: the real dialogs unless a test replaced them).
MessageSeam& messageSeam();
// Replaces the seam; returns the previous one. Passing nullptr restores the
// real dialogs. The caller keeps ownership.
MessageSeam* setMessageSeam(MessageSeam* seam);

// Shortcuts through the current seam.
void info(QWidget* parent, const QString& text);
void warn(QWidget* parent, const QString& text);
bool ask(QWidget* parent, const QString& question);
int openModal(QDialog* dialog);

// The general error handler. Runs `action`; a std::exception (or anything
// else) thrown by it is shown through the seam as a plain message and
// swallowed. Returns true when the action finished without an exception.
bool guard(QWidget* parent, const std::function<void()>& action);
// Shows an exception the way guard() does (used by guard and by Application).
void showError(QWidget* parent, const std::exception& error);

// The application object of both programs. Any exception that escapes an
// event handler or slot is caught here and shown as a message, so the program
// keeps running. Use it in place of QApplication in main().
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Test double for the seam. Installs itself on construction and restores the
// previous seam on destruction:
//
//     kit::ScriptedMessages script;
//     script.answer(true);                       // the next question gets Yes
//     script.saveAs("/tmp/x", 1);                // the next save dialog: htm
//     QTest::keyClick(field, Qt::Key_Return);
//     QCOMPARE(script.texts(), QStringList{"该卡是新卡，您真的要开卡吗?"});
//
// A question with no queued answer, or a save dialog with no queued choice,
// is a test mistake: in strict mode (the default) it aborts the test program
// with the question's text; otherwise it is recorded in unexpected() and
// answered No / cancelled.
class ScriptedMessages : public MessageSeam {
public:
    struct Entry {
        MessageKind kind;
        QString text;  // message text, question, dialog title or proposed file name
    };

    explicit ScriptedMessages(bool strict = true);
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    // Queues the answer to the next question (true = Yes).
    void answer(bool yes);
    // Queues the choice of the next save dialog (empty path = cancel).
    void saveAs(const QString& path, int filterIndex);
    // How modal dialogs are handled. The default shows the dialog without
    // blocking, processes pending events and returns QDialog::Rejected;
    // the test then drives the visible dialog and closes it itself.
    void onModal(std::function<int(QDialog*)> handler);

    // Everything shown, in order.
    const QList<Entry>& entries() const { return entries_; }
    // Only the texts of info, warning and question boxes, in order.
    QStringList texts() const;
    // The last text of an info, warning or question box (empty when none).
    QString last() const;
    // Questions asked without a queued answer (non-strict mode only).
    const QStringList& unexpected() const { return unexpected_; }
    // Answers still queued (a test usually expects none left).
    int pendingAnswers() const { return int(answers_.size()) + int(saves_.size()); }
    void clear();

    void info(QWidget* parent, const QString& text) override;
    void warn(QWidget* parent, const QString& text) override;
    bool ask(QWidget* parent, const QString& question) override;
    int openModal(QDialog* dialog) override;
    SaveChoice chooseSaveFile(QWidget* parent, const QString& proposedName,
                              const QStringList& fileTypes) override;

private:
    void unexpectedCall(const QString& what);

    bool strict_;
    MessageSeam* previous_;
    QList<Entry> entries_;
    QStringList unexpected_;
    std::deque<bool> answers_;
    std::deque<SaveChoice> saves_;
    std::function<int(QDialog*)> modalHandler_;
};

}  // namespace kit
