#pragma once
#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Platform {

// The dialog's starting font, which also receives the user's choice.
struct FontChoice {
    QString face;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    QColor color;
};

// What the window is given in place of the system's font dialog, so tests can script it.
class FontDialogService {
public:
    virtual ~FontDialogService() = default;

    // On OK: face, size and style of `font` take the choice, and the result is true.
    // On cancel or close: false, and `font` is left as it was.
    virtual bool Execute(QWidget* owner, FontChoice& font) = 0;

    // Whole points the dialog accepts, both ends included.
    int MinSize = 8;
    int MaxSize = 24;
};

// Centred horizontally, a third of the way down; divisions truncate toward zero.
QPoint FontDialogPosition(const QRect& monitor, const QSize& dialog);

// Screen fonts only, whole sizes within the limits, a typed face must exist, no effects.
class VarnopileFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit VarnopileFontDialog(QWidget* parent = nullptr);

    void SetSizeLimits(int minSize, int maxSize);
    void SetChoice(const FontChoice& font);
    // The accepted choice; the starting font until OK succeeds.
    FontChoice Choice() const { return m_choice; }

    void accept() override;

private slots:
    void FaceEdited(const QString& text);
    void FaceListChanged(QListWidgetItem* current);
    void StyleListChanged(int row);
    void SizeEdited(const QString& text);
    void SizeListChanged(QListWidgetItem* current);

private:
    QString ExistingFace(const QString& typed) const;
    bool SelectedBold() const;
    bool SelectedItalic() const;
    void FillStyles(const QString& family, bool bold, bool italic);
    void FillSizes(const QString& family);
    void SelectSizeRow(const QString& text);
    void UpdateSample();
    void Refuse(const QString& message, QLineEdit* field);

    QLineEdit* m_faceEdit;
    QListWidget* m_faceList;
    QLineEdit* m_styleEdit;
    QListWidget* m_styleList;
    QLineEdit* m_sizeEdit;
    QListWidget* m_sizeList;
    QGroupBox* m_sampleBox;
    QLabel* m_sample;
    QPushButton* m_ok;
    QPushButton* m_cancel;

    int m_minSize = 8;
    int m_maxSize = 24;
    FontChoice m_choice;
    bool m_syncing = false;
};

class QtFontDialogService : public FontDialogService {
public:
    bool Execute(QWidget* owner, FontChoice& font) override;
};

}  // namespace Platform
