#pragma once
// The notice dialog: one small modal window through which every page informs and asks yes/no.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace vh::skin {
class SkinBanner;
class SkinGlyph;
} // namespace vh::skin

class TFrmInfo : public QDialog {
    Q_OBJECT
public:
    TFrmInfo();

    // Puts both texts (GBK) into the caption label and the message label unchanged.
    void SetTexts(const std::string& caption, const std::string& message);
    // The texts last set, as given.
    const std::string& CaptionText() const { return caption_; }
    const std::string& MessageText() const { return message_; }
    // True when created; each showing answers no unless it was closed by "确定".
    bool Result() const { return result_; }

    QLabel* lblCaption;
    QLabel* lblMessage;
    QPushButton* btnOk;
    QPushButton* btnCancel;

public slots:
    void btnOkClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    vh::skin::SkinBanner* imgHeader;
    vh::skin::SkinGlyph* imgIcon;
    std::string caption_;
    std::string message_;
    bool result_ = true;
};
