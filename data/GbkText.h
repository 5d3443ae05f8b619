#pragma once

#include <QByteArray>
#include <QString>

// The GBK code page of the external text files (IIS.INI, comm.ini, EMailContent.Lst, tmp.Txt)
// and the byte widths that lay out texts by GBK width, a Chinese character counting 2.
class GbkText {
  public:
    GbkText() = delete;

    // Characters GBK lacks are written as "?".
    static QByteArray encode(const QString& text);
    static QString decode(const QByteArray& bytes);

    // Width of the text in GBK bytes.
    static int byteLength(const QString& text);
    // The longest beginning of `text` at most `bytes` GBK bytes wide; a character is never split.
    static QString leftBytes(const QString& text, int bytes);

    // Reads a text file: valid UTF-8 (with or without BOM) as UTF-8, anything else as GBK; CR LF
    // line ends come back as LF. Throws FileError when the file cannot be read.
    static QString readTextFile(const QString& path);
    // Writes `text` in GBK with CR LF line ends, replacing the file as a whole. Throws FileError.
    static void writeTextFile(const QString& path, const QString& text);
    // `text` with every LF and CR LF as CR LF; a lone CR stays as it is.
    static QString withCrLf(const QString& text);

    // True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values above
    // U+10FFFF).
    static bool isValidUtf8(const QByteArray& bytes);
};
