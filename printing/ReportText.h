#pragma once

#include <QFont>

#include "ReportComponent.h"

// A text object. Its width is the width of its text in its font, so reading the width after
// setting the text gives what the text needs. The alignment is the text's anchor, as drawn:
// a centred text keeps its centre and a right-aligned text its right edge when the text or the
// font size changes, so captions stay in their cells in layouts that do not move them.
// The height is the box the text is centred in vertically, as drawn.
class ReportText : public ReportComponent {
  public:
    enum class Alignment { Left, Center, Right };

    explicit ReportText(const QString& name);
    QString kindName() const override { return QStringLiteral("文本"); }

    const QString& text() const { return text_; }
    void setText(const QString& text);

    const QString& fontFamily() const { return fontFamily_; }
    double fontSize() const { return fontSize_; }
    bool bold() const { return bold_; }
    void setFont(const QString& family, double points, bool bold);
    void setFontSize(double points);
    // The font as drawn, with the face resolved for this system.
    QFont font() const;

    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment alignment) { alignment_ = alignment; }

  protected:
    // Plain texts size themselves to their text; data texts keep the box they are drawn with.
    virtual bool sizesToText() const { return true; }

  private:
    void refit();

    QString text_;
    QString fontFamily_;
    QString face_;  // the installed face printing fontFamily_, looked up once
    double fontSize_ = 9;
    bool bold_ = false;
    Alignment alignment_ = Alignment::Left;
};
