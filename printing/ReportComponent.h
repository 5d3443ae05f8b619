#pragma once

#include <QString>
#include <memory>
#include <vector>

// One object of a loaded report template. Lengths are in inches. Left edges are measured from
// the page's left edge; the top of an object inside a data band from the band's top, the top of
// a region from the page's top.
//
// Components form a tree (report, page, region, band, band objects); a component owns its
// children. Names are compared without regard to letter case.
class ReportComponent {
  public:
    explicit ReportComponent(const QString& name) : name_(name) {}
    virtual ~ReportComponent() = default;
    ReportComponent(const ReportComponent&) = delete;
    ReportComponent& operator=(const ReportComponent&) = delete;

    // The kind in words, for messages ("文本", "矩形", ...).
    virtual QString kindName() const = 0;

    const QString& name() const { return name_; }
    bool hasName(const QString& name) const;

    double left() const { return left_; }
    void setLeft(double left) { left_ = left; }
    double top() const { return top_; }
    void setTop(double top) { top_ = top; }
    double width() const { return width_; }
    void setWidth(double width) { width_ = width; }
    double height() const { return height_; }
    void setHeight(double height) { height_ = height; }
    double right() const { return left_ + width_; }
    double bottom() const { return top_ + height_; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

    ReportComponent* parent() const { return parent_; }
    const std::vector<std::unique_ptr<ReportComponent>>& children() const { return children_; }
    ReportComponent& addChild(std::unique_ptr<ReportComponent> child);
    // The first component below this one (at any depth) with that name; nullptr when none.
    ReportComponent* find(const QString& name) const;

  protected:
    double left_ = 0;
    double width_ = 0;

  private:
    QString name_;
    double top_ = 0;
    double height_ = 0;
    bool visible_ = true;
    ReportComponent* parent_ = nullptr;
    std::vector<std::unique_ptr<ReportComponent>> children_;
};
