#pragma once
// The about box: the program's icon, title, version and how to reach its makers.
// Unlike every other window of the program, Escape closes it.

#include <QDialog>

class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QPushButton* OkButton() const { return m_pOkButton; }
    QString Text() const;

private:
    QPushButton* m_pOkButton;
    QString m_strText;
};
