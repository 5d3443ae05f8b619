#pragma once

#include <QDialog>

#include "AboutInfo.h"

class QLabel;
class TDM;
struct TVendorInfo;

// "关于..": brand, version, vendor and home page; the picture and the address open the page.
class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(const AboutInfo& info, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* Image1;
    QLabel* Label5;
    QString homePage_;
};

// Shows the About dialog modally, centred on the screen.
void ShowAbout(const TVendorInfo& vendor, TDM& dm, QWidget* parent);
