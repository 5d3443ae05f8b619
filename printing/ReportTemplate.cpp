#include "ReportTemplate.h"

#include <QStringList>

#include "ReportLoader.h"

void ReportTemplate::open() {
    close();
    ReportLoader::load(projectFile_, *this);
    open_ = true;
}

void ReportTemplate::close() {
    reports_.clear();
    activeName_.clear();
    open_ = false;
}

ReportDefinition& ReportTemplate::addReport(std::unique_ptr<ReportDefinition> report) {
    reports_.push_back(std::move(report));
    return *reports_.back();
}

ReportDefinition* ReportTemplate::activeReport() const {
    if (reports_.empty()) return nullptr;
    for (const auto& report : reports_) {
        if (!activeName_.isEmpty() && report->hasName(activeName_)) return report.get();
    }
    return reports_.front().get();
}

ReportComponent* ReportTemplate::findComponent(const QString& path) const {
    const QStringList names = path.split(u'.');
    ReportComponent* found = nullptr;
    for (const auto& report : reports_) {
        if (report->hasName(names.first())) {
            found = report.get();
            break;
        }
    }
    for (qsizetype i = 1; found && i < names.size(); ++i) {
        ReportComponent* next = nullptr;
        for (const auto& child : found->children()) {
            if (child->hasName(names.at(i))) {
                next = child.get();
                break;
            }
        }
        found = next;
    }
    return found;
}

ReportComponent* ReportTemplate::findComponent(const QString& name, const ReportComponent& owner) {
    return owner.find(name);
}
