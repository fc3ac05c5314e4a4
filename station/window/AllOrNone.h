// AllOrNone.h - writing a set of files all together or not at all.
//
// Interface summary
//   WriteAllOrNone(paths, contents)   temporary files, then renames; "" or why not
//
// Each file is written whole beside its place under a fresh name, opened
// only if new (never someone else's file) and with the modes of any file the
// user makes; only once all are whole does each take its name, by a rename,
// which replaces a file at once: no reader sees half a file.
#pragma once

#include <vector>

#include <QByteArray>
#include <QStringList>

// Writes contents[i] to paths[i]. Returns "" when all are written; else a
// sentence saying which file failed and why, with none of the files and no
// temporary file left behind.
QString WriteAllOrNone(const QStringList& paths, const std::vector<QByteArray>& contents);
