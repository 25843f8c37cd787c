#include "kit/messages.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>

namespace kit {

namespace {

// The real dialogs.
class WidgetMessages : public MessageSeam {
public:
    void info(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text,
                        QMessageBox::Ok, parent);
        box.exec();
    }

    void warn(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                        QMessageBox::Ok, parent);
        box.exec();
    }

    bool ask(QWidget* parent, const QString& question) override
    {
        QMessageBox box(QMessageBox::Question, kQuestionCaption, question,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }

    int openModal(QDialog* dialog) override { return dialog->exec(); }

    SaveChoice chooseSaveFile(QWidget* parent, const QString& proposedName,
                              const QStringList& fileTypes) override
    {
        QString selected = fileTypes.value(0);
        const QString path = QFileDialog::getSaveFileName(
            parent, QString(), proposedName, fileTypes.join(QStringLiteral(";;")), &selected);
        if (path.isEmpty())
            return {};
        return {path, std::max(0, int(fileTypes.indexOf(selected)))};
    }
};

WidgetMessages& widgetMessages()
{
    static WidgetMessages real;
    return real;
}

MessageSeam* current = nullptr;

}  // namespace

MessageSeam& messageSeam()
{
    return current ? *current : widgetMessages();
}

MessageSeam* setMessageSeam(MessageSeam* seam)
{
    MessageSeam* previous = current;
    current = seam;
    return previous;
}

void info(QWidget* parent, const QString& text) { messageSeam().info(parent, text); }
void warn(QWidget* parent, const QString& text) { messageSeam().warn(parent, text); }
bool ask(QWidget* parent, const QString& question) { return messageSeam().ask(parent, question); }
int openModal(QDialog* dialog) { return messageSeam().openModal(dialog); }

void showError(QWidget* parent, const std::exception& error)
{
    QString text = QString::fromUtf8(error.what());
    if (text.isEmpty())
        text = QStringLiteral("程序发生错误，操作已停止。");
    messageSeam().info(parent, text);
}

bool guard(QWidget* parent, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        showError(parent, error);
    } catch (...) {
        messageSeam().info(parent, QStringLiteral("程序发生未知错误，操作已停止。"));
    }
    return false;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        QWidget* parent = QApplication::activeWindow();
        showError(parent, error);
    } catch (...) {
        messageSeam().info(QApplication::activeWindow(),
                           QStringLiteral("程序发生未知错误，操作已停止。"));
    }
    return false;
}

// ---------------------------------------------------------------------------

ScriptedMessages::ScriptedMessages(bool strict) : strict_(strict), previous_(setMessageSeam(this)) {}

ScriptedMessages::~ScriptedMessages() { setMessageSeam(previous_); }

void ScriptedMessages::answer(bool yes) { answers_.push_back(yes); }

void ScriptedMessages::saveAs(const QString& path, int filterIndex)
{
    saves_.push_back({path, filterIndex});
}

void ScriptedMessages::onModal(std::function<int(QDialog*)> handler)
{
    modalHandler_ = std::move(handler);
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const Entry& e : entries_)
        if (e.kind == MessageKind::Info || e.kind == MessageKind::Warning
            || e.kind == MessageKind::Question)
            out << e.text;
    return out;
}

QString ScriptedMessages::last() const
{
    const QStringList all = texts();
    return all.isEmpty() ? QString() : all.last();
}

void ScriptedMessages::clear()
{
    entries_.clear();
    unexpected_.clear();
    answers_.clear();
    saves_.clear();
}

void ScriptedMessages::info(QWidget*, const QString& text)
{
    entries_.append({MessageKind::Info, text});
}

void ScriptedMessages::warn(QWidget*, const QString& text)
{
    entries_.append({MessageKind::Warning, text});
}

void ScriptedMessages::unexpectedCall(const QString& what)
{
    if (strict_) {
        // A test that did not script this dialog is wrong; stop it where it
        // went wrong instead of letting it carry on with a guessed answer.
        std::fprintf(stderr, "ScriptedMessages: unexpected %s\n", qPrintable(what));
        std::fflush(stderr);
        qFatal("ScriptedMessages: unexpected %s", qPrintable(what));
    }
    unexpected_ << what;
}

bool ScriptedMessages::ask(QWidget*, const QString& question)
{
    entries_.append({MessageKind::Question, question});
    if (answers_.empty()) {
        unexpectedCall(QStringLiteral("question \"%1\"").arg(question));
        return false;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

int ScriptedMessages::openModal(QDialog* dialog)
{
    entries_.append({MessageKind::Modal, dialog->windowTitle()});
    if (modalHandler_)
        return modalHandler_(dialog);
    dialog->show();
    QCoreApplication::processEvents();
    return QDialog::Rejected;
}

SaveChoice ScriptedMessages::chooseSaveFile(QWidget*, const QString& proposedName,
                                            const QStringList&)
{
    entries_.append({MessageKind::SaveDialog, proposedName});
    if (saves_.empty()) {
        unexpectedCall(QStringLiteral("save dialog for \"%1\"").arg(proposedName));
        return {};
    }
    SaveChoice choice = saves_.front();
    saves_.pop_front();
    return choice;
}

}  // namespace kit
