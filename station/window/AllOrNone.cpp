#include "AllOrNone.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

std::filesystem::path FsPath(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

// Writes `content` to a new file beside `path`. Returns its name, or "" with
// `error` set (nothing left behind).
QString WriteTemporary(const QString& path, const QByteArray& content, QString& error) {
  QFile file;
  // A fresh name each time, opened only if new: never someone else's file.
  // Opened as a plain new file, it gets the modes of any file the user makes.
  for (int attempt = 0;; ++attempt) {
    file.setFileName(path + QStringLiteral(".part-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
    // Only a name taken already is worth another try.
    if (!file.exists() || attempt == 9) {
      error = file.errorString();
      return {};
    }
  }
  // A full disk shows in the write, the flush or the close.
  const bool written = file.write(content) == content.size() && file.flush();
  if (!written) error = file.errorString();
  file.close();
  if (written && file.error() != QFileDevice::NoError) error = file.errorString();
  if (!error.isEmpty()) {
    file.remove();
    return {};
  }
  return file.fileName();
}

}  // namespace

QString WriteAllOrNone(const QStringList& paths, const std::vector<QByteArray>& contents) {
  QStringList temporary;
  QStringList placed;
  QString failure;
  for (qsizetype i = 0; i < paths.size() && failure.isEmpty(); ++i) {
    QString error;
    const QString name = WriteTemporary(paths[i], contents[static_cast<std::size_t>(i)], error);
    if (name.isEmpty())
      failure = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(paths[i]), error);
    else
      temporary << name;
  }
  // Only once every file is whole does one take its name.
  for (qsizetype i = 0; i < temporary.size() && failure.isEmpty(); ++i) {
    std::error_code error;
    std::filesystem::rename(FsPath(temporary[i]), FsPath(paths[i]), error);
    if (error)
      failure = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(paths[i]), QString::fromLocal8Bit(error.message()));
    else
      placed << paths[i];
  }
  if (failure.isEmpty()) return {};
  for (const QString& name : placed) QFile::remove(name);
  for (const QString& name : temporary.mid(placed.size())) QFile::remove(name);
  return failure;
}
