// What made a figure, recorded in the figure's own file: the program and its
// version, the model, every parameter and the command that draws the figure
// again. A PNG holds them as text chunks, an SVG as its description, a PDF
// as its document information (creator) and XMP metadata (description).
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

namespace morvane::figure {

struct FigureRecord {
  QString model;
  QString parameters;
  QString command;
};

// "Morvane 2.1.0".
QString SoftwareName();

// The record as lines "Software: ...", "Model: ...", "Parameters: ...",
// "Command: ..." (the empty ones left out).
QString RecordText(const FigureRecord &record);

// The record as text chunks of `image`, written with it as a PNG.
void RecordInImage(QImage &image, const FigureRecord &record);

// The XMP metadata of a PDF titled `title` holding the record.
QByteArray RecordXmp(const QString &title, const FigureRecord &record);

// The record a figure's bytes (PNG, SVG or PDF) hold, as RecordText wrote
// it; for any other file (a table), its first line. Empty when there is
// none.
QString RecordOfFile(const QByteArray &bytes);

// `words` as one command line, each word quoted for a POSIX shell where it
// needs it.
QString ShellCommand(const QStringList &words);

} // namespace morvane::figure
