#pragma once

#include <QDialog>

#include "core/print/GridFormatStore.h"

class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;

// "页面设置": paper, orientation and margins of a grid's print, stored under its format name.
class PageSetDialog : public QDialog
{
    Q_OBJECT
public:
    PageSetDialog(const QString &cnstr, const QString &formatName, QWidget *parent = nullptr);

    bool OK = false;
    GridFormatStore::PageSetup setup() const;

    QComboBox *cmbPaper;
    QRadioButton *optPortrait;
    QRadioButton *optLandscape;
    QDoubleSpinBox *txtLeft;
    QDoubleSpinBox *txtTop;
    QDoubleSpinBox *txtRight;
    QDoubleSpinBox *txtBottom;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void cmdOK_Click();

private:
    QString m_cnstr;
    QString m_formatName;
};
