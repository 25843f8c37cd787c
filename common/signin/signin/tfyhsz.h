#pragma once
// TFyhsz: the operator screen: the list of operators, their rights as check
// boxes, and adding, modifying and deleting operators.
#include "signin/operator.h"

#include <QDialog>
#include <QHash>

class QCheckBox;
class QPushButton;

namespace kit {
class DataGrid;
}

namespace signin {

class TFtjyh;
class TFxgyh;

class TFyhsz : public QDialog {
    Q_OBJECT
public:
    explicit TFyhsz(Session &session, QWidget *parent = nullptr);

    kit::DataGrid *list() const { return m_list; }
    // The box of a right column (or of 是否停用); null for any other name.
    QCheckBox *box(const QString &column) const { return m_boxes.value(column); }
    QPushButton *addButton() const { return m_add; }
    QPushButton *modifyButton() const { return m_modify; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *saveButton() const { return m_save; }
    TFtjyh *addDialog() const { return m_addDialog; }
    TFxgyh *modifyDialog() const { return m_modifyDialog; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildRights();
    // Re-reads the list and puts the cursor on userName (else the first row).
    void refresh(const QString &userName = {});
    void loadBoxes();
    QString currentUser() const;
    void saveCurrent();
    void deleteCurrent();
    void modifyCurrent();

    Session &m_session;
    kit::DataGrid *m_list;
    QHash<QString, QCheckBox *> m_boxes;
    QPushButton *m_add;
    QPushButton *m_modify;
    QPushButton *m_delete;
    QPushButton *m_save;
    TFtjyh *m_addDialog;
    TFxgyh *m_modifyDialog;
};

} // namespace signin
