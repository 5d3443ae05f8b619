#include "ReportComponent.h"

bool ReportComponent::hasName(const QString& name) const {
    return name_.compare(name, Qt::CaseInsensitive) == 0;
}

ReportComponent& ReportComponent::addChild(std::unique_ptr<ReportComponent> child) {
    child->parent_ = this;
    children_.push_back(std::move(child));
    return *children_.back();
}

ReportComponent* ReportComponent::find(const QString& name) const {
    for (const auto& child : children_) {
        if (child->hasName(name)) return child.get();
        if (ReportComponent* found = child->find(name)) return found;
    }
    return nullptr;
}
