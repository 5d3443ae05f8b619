#include "TfrmReportStatus.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmReportStatus::TfrmReportStatus(QWidget* parent)
    : QDialog(parent),
      labelStatus(new QLabel),
      btnCancel(new QPushButton(QStringLiteral("取消(&X)"))) {
    setWindowTitle(QStringLiteral("状态"));
    setObjectName(QStringLiteral("frmReportStatus"));
    setWindowModality(Qt::ApplicationModal);
    labelStatus->setAlignment(Qt::AlignCenter);
    auto* panel = new QHBoxLayout;
    panel->addStretch(1);
    panel->addWidget(btnCancel);
    panel->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelStatus, 1);
    layout->addLayout(panel);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmReportStatus::reject);
    setFixedSize(260, 110);
}

QString TfrmReportStatus::statusText() const {
    return labelStatus->text();
}

ReportRenderer::Progress TfrmReportStatus::progress(const QString& pattern) {
    return [this, pattern](int page) {
        if (!isVisible()) show();
        labelStatus->setText(QString(pattern).replace(QStringLiteral("%p"), QString::number(page)));
        // The window is painted and the cancel button answered between pages.
        QCoreApplication::processEvents();
        return !cancelled_;
    };
}
