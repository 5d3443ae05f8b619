#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ReportDefinition.h"

// A report template project: the file it is loaded from and, while open, the reports of that
// file. Changes made to the loaded objects stay in memory until the project is closed; the file
// itself is never written.
class ReportTemplate {
  public:
    void setProjectFile(const QString& path) { projectFile_ = path; }
    const QString& projectFile() const { return projectFile_; }

    // Loads the project file. Throws ReportError when the file is missing or is not a valid
    // template; the project then stays closed.
    void open();
    void close();
    bool isOpen() const { return open_; }

    // Adds a report to the open project (the loader's way in); the first one is the active one.
    ReportDefinition& addReport(std::unique_ptr<ReportDefinition> report);
    const std::vector<std::unique_ptr<ReportDefinition>>& reports() const { return reports_; }
    // The report printed when the project is executed; nullptr when the project holds none.
    ReportDefinition* activeReport() const;
    void setActiveReport(const QString& name) { activeName_ = name; }

    // A component by its path of names from the report, "Report1" or "Report1.Page1";
    // nullptr when any part is missing.
    ReportComponent* findComponent(const QString& path) const;
    // A component by its plain name within `owner` (a page, at any depth); nullptr when none.
    static ReportComponent* findComponent(const QString& name, const ReportComponent& owner);

  private:
    QString projectFile_;
    bool open_ = false;
    QString activeName_;
    std::vector<std::unique_ptr<ReportDefinition>> reports_;
};
