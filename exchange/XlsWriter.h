#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

// Writes a simple Excel 97-2003 workbook from scratch: text and number cells, fonts, cell
// formats with alignment, wrapping, borders and fill, merged cells, column widths, row heights
// and page setup. Part of the xls module (Xls.h); the payslip templates are made with it.
//
// The records follow the order Excel writes them (globals: BOF ... FONT, FORMAT, XF, STYLE,
// BOUNDSHEET8, SST, EXTSST, EOF; sheets: BOF, INDEX, settings, page setup, COLINFO, DIMENSIONS,
// row blocks of 32 rows with DBCELL, WINDOW2, MERGECELLS, EOF) with every offset computed. The
// options make the variants other programs write, so that the reader and the rewriter can be
// tested on them: LABEL cells instead of shared strings, no INDEX/DBCELL, the stream named
// "Book", extra small streams in the mini stream.
class XlsWriter {
  public:
    struct Options {
        bool sharedStrings = true;  // LABELSST + SST; false writes LABEL cells and no SST
        bool index = true;          // INDEX and DBCELL records
        QString streamName = QStringLiteral("Workbook");
        bool propertyStreams = false;  // small \005SummaryInformation-like streams besides
    };

    struct Font {
        QString name = QStringLiteral("宋体");
        double points = 10;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        std::uint16_t color = 0x7FFF;  // automatic
    };

    enum class HAlign : std::uint8_t { General = 0, Left = 1, Center = 2, Right = 3 };
    enum class VAlign : std::uint8_t { Top = 0, Center = 1, Bottom = 2 };
    enum Border : std::uint8_t { None = 0, Thin = 1, Medium = 2, Thick = 5, Double = 6 };

    struct Format {
        int font = 0;  // a value from addFont(), 0 for the default font
        HAlign halign = HAlign::General;
        VAlign valign = VAlign::Center;
        bool wrap = false;
        std::uint8_t left = None, right = None, top = None, bottom = None;
        std::uint16_t fill = 0;          // palette index of a solid fill, 0 for none
        std::uint16_t numberFormat = 0;  // built-in number format id
    };

    struct Merge {
        int firstRow, lastRow, firstColumn, lastColumn;
    };

    struct PageSetup {
        bool landscape = false;
        std::uint16_t paperSize = 9;  // A4
        bool fitToWidth = false;      // one page wide
        bool centerHorizontally = false;
        double left = 0.75, right = 0.75, top = 1.0, bottom = 1.0;  // inches
    };

    class Sheet {
      public:
        explicit Sheet(const QString& name) : name_(name) {}
        const QString& name() const { return name_; }

        void setText(int row, int column, const QString& text, int format = 15);
        void setNumber(int row, int column, double value, int format = 15);
        // A BLANK cell carrying a format (borders around empty or merged cells).
        void setBlank(int row, int column, int format);
        // A text with rich-text runs (4 bytes each: character index, font index) and phonetic
        // bytes kept in the shared strings table.
        void setRichText(int row, int column, const QString& text, const QByteArray& runs,
                         const QByteArray& phonetic = {}, int format = 15);
        // A cell record written as it is (type, data starting with row, column, format).
        void setRawCell(int row, int column, std::uint16_t type, const QByteArray& data);
        void merge(int firstRow, int lastRow, int firstColumn, int lastColumn);
        // Width in characters of the default font's digits.
        void setColumnWidth(int column, double characters);
        void setRowHeight(int row, double points);
        void setShowGridlines(bool show) { gridlines_ = show; }
        PageSetup& pageSetup() { return setup_; }

      private:
        friend struct XlsWriterImpl;
        struct Cell {
            enum Kind { Text, Number, Blank, Raw } kind = Blank;
            int format = 15;
            QString text;
            QByteArray runs;
            QByteArray phonetic;
            double number = 0;
            std::uint16_t rawType = 0;
            QByteArray raw;
        };
        QString name_;
        std::map<int, std::map<int, Cell>> rows_;
        std::map<int, double> heights_;
        std::map<int, double> widths_;
        std::vector<Merge> merges_;
        bool gridlines_ = true;
        PageSetup setup_;
    };

    XlsWriter();
    explicit XlsWriter(const Options& options);

    // Font indices skip 4, as BIFF does.
    int addFont(const Font& font);
    // A cell format (XF index, 16 or more).
    int addFormat(const Format& format);
    Sheet& addSheet(const QString& name);

    QByteArray workbookStream() const;
    QByteArray toBytes() const;
    // Writes the file as a whole (QSaveFile); throws FileError.
    void save(const QString& path) const;

  private:
    friend struct XlsWriterImpl;
    Options options_;
    std::vector<Font> fonts_;
    std::vector<Format> formats_;
    std::deque<Sheet> sheets_;
};
