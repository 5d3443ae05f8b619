#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// The temporary folder of one fuzz program: the readers under test take file names, so every
// input is written to a file here first. Removed with everything in it when the program ends.
class FuzzFolder {
  public:
    FuzzFolder();

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // Writes the input to `name` below the folder, replacing it; returns its path. A file that
    // cannot be written ends the run: the fuzzer would otherwise test nothing.
    QString write(const QString& name, const QByteArray& bytes) const;

    static QByteArray bytes(const std::uint8_t* data, std::size_t size);

  private:
    QTemporaryDir dir_;
};
