#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// The OLE2 compound file ([MS-CFB]) that holds an .xls workbook: a small file system of
// directory entries (storages and streams) in 512- or 4096-byte sectors chained by a FAT, small
// streams in 64-byte mini sectors. Part of the xls module (Xls.h).
//
// parse() reads every entry and the data of every stream, following each chain with bounds and
// cycle guards; anything out of bounds, cyclic or truncated throws XlsError. serialize() writes a
// version 3 file (512-byte sectors) holding the same entries: names, tree links, class ids, state
// bits and times are kept as they are, only sector numbers and sizes are new. Streams of 4096
// bytes or more go to regular sectors, smaller ones to the mini stream; FAT and DIFAT sectors are
// sized to what the file needs.
class XlsCompoundFile {
  public:
    static constexpr std::uint32_t NoStream = 0xFFFFFFFFu;

    enum EntryType : std::uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };

    struct Entry {
        QString name;
        std::uint8_t type = Unused;
        std::uint8_t color = 1;  // 0 red, 1 black
        std::uint32_t left = NoStream;
        std::uint32_t right = NoStream;
        std::uint32_t child = NoStream;
        QByteArray clsid = QByteArray(16, '\0');
        std::uint32_t state = 0;
        QByteArray times = QByteArray(16, '\0');  // created and modified FILETIMEs
        QByteArray data;                          // streams only
    };

    // Entry 0 is the root. Indices are the directory ids the tree links refer to.
    std::vector<Entry> entries;

    static XlsCompoundFile parse(const QByteArray& file);
    QByteArray serialize() const;

    // A file holding only the root and one stream `name` with `data`.
    static XlsCompoundFile withStream(const QString& name, const QByteArray& data);
    // Adds a stream as a child of the root, keeping the sibling tree valid (all black, balanced).
    void addRootStream(const QString& name, const QByteArray& data);

    // The stream directly below the root whose name equals `name` without regard to letter
    // case, found by walking the root's sibling tree; -1 when there is none.
    int findRootStream(const QString& name) const;

  private:
    std::vector<int> rootChildren() const;
    void rebuildRootTree(int added);
};
