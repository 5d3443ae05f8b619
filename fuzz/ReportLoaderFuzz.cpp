// The report template loader (RPT/*.RAV). Every input must give a loaded template or a
// ReportError. In a loaded template every object has finite, non-negative sizes, knows its
// owner, and is what a search for its name in its page finds (names are unique in a page).

#include <QByteArray>
#include <QGuiApplication>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "ReportError.h"
#include "ReportLoader.h"
#include "ReportPage.h"
#include "ReportTemplate.h"

namespace {

void checkTree(const ReportComponent& component, const ReportComponent* page) {
    FuzzRequire(std::isfinite(component.left()) && std::isfinite(component.top()) &&
                    std::isfinite(component.width()) && std::isfinite(component.height()),
                "finite positions and sizes", component.name());
    FuzzRequire(component.width() >= 0 && component.height() >= 0, "sizes of zero or more",
                component.name());
    if (page && page != &component) {
        FuzzRequire(ReportTemplate::findComponent(component.name(), *page) == &component,
                    "a name finds its object", component.name());
    }
    for (const auto& child : component.children()) {
        FuzzRequire(child->parent() == &component, "an object knows its owner", child->name());
        const bool isPage = dynamic_cast<const ReportPage*>(child.get()) != nullptr;
        checkTree(*child, isPage ? child.get() : page);
    }
}

}  // namespace

// Texts resolve their font through the font database, which needs the application object the
// program always has; offscreen, as the tests run.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer's entry takes no context: the folder lives as long as the program.
    static const FuzzFolder folder;
    const QString path = folder.write(QStringLiteral("GZBill.RAV"), FuzzFolder::bytes(data, size));
    ReportTemplate project;
    try {
        ReportLoader::load(path, project);
    } catch (const ReportError&) {
        return 0;
    }
    for (const auto& report : project.reports()) checkTree(*report, nullptr);
    return 0;
}
