#pragma once
#include <QColor>
#include <QDialog>
#include <QString>

#include "ui/fontdialogservice.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Ui {

// Screen fonts only, whole sizes within the limits, a typed face must exist, no effects.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(QWidget* parent = nullptr);

    void SetSizeLimits(int minSize, int maxSize);
    void SetChoice(const FontChoice& font);
    // The accepted choice; the starting font until OK succeeds.
    FontChoice Choice() const { return choice_; }

    void accept() override;

private slots:
    void FaceEdited(const QString& text);
    void FaceListChanged(QListWidgetItem* current);
    void StyleListChanged(int row);
    void SizeEdited(const QString& text);
    void SizeListChanged(QListWidgetItem* current);

private:
    // The constructor's steps, in order: the parts' names, the columns' widths from the font, the
    // labels and the grid, then the tab order and the signals.
    void NameParts();
    void SizeColumns();
    void LayOut();
    void ConnectParts();

    QString ExistingFace(const QString& typed) const;
    bool SelectedBold() const;
    bool SelectedItalic() const;
    void FillStyles(const QString& family, bool bold, bool italic);
    void FillSizes(const QString& family);
    void SelectSizeRow(const QString& text);
    void UpdateSample();
    void Refuse(const QString& message, QLineEdit* field);

    QLineEdit* faceEdit_;
    QListWidget* faceList_;
    QLineEdit* styleEdit_;
    QListWidget* styleList_;
    QLineEdit* sizeEdit_;
    QListWidget* sizeList_;
    QGroupBox* sampleBox_;
    QLabel* sample_;
    QPushButton* ok_;
    QPushButton* cancel_;

    int minSize_ = 8;
    int maxSize_ = 24;
    FontChoice choice_;
    bool syncing_ = false;
};

}  // namespace Ui
