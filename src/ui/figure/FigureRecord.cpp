#include "ui/figure/FigureRecord.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringList>

namespace morvane::figure {

namespace {

const char *const kKeys[] = {"Software", "Model", "Parameters", "Command"};

QStringList Values(const FigureRecord &r) {
  return {SoftwareName(), r.model, r.parameters, r.command};
}

// XML's five escapes, undone.
QString Unescaped(QString text) {
  text.replace(QLatin1String("&lt;"), QLatin1String("<"))
      .replace(QLatin1String("&gt;"), QLatin1String(">"))
      .replace(QLatin1String("&quot;"), QLatin1String("\""))
      .replace(QLatin1String("&apos;"), QLatin1String("'"))
      .replace(QLatin1String("&#39;"), QLatin1String("'"))
      .replace(QLatin1String("&amp;"), QLatin1String("&"));
  return text;
}

// The text of the first element `tag` (an XML element, attributes allowed).
QString ElementText(const QString &xml, const QString &tag) {
  const QRegularExpression element(QStringLiteral("<%1(?:\\s[^>]*)?>(.*?)</%1>").arg(tag),
                                   QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = element.match(xml);
  return m.hasMatch() ? Unescaped(m.captured(1)) : QString();
}

} // namespace

QString SoftwareName() { return QStringLiteral("Morvane " MORVANE_VERSION); }

QString RecordText(const FigureRecord &record) {
  QString text;
  const QStringList values = Values(record);
  for (int k = 0; k < values.size(); ++k)
    if (!values[k].isEmpty())
      text += QLatin1String(kKeys[k]) + QStringLiteral(": ") + values[k] + '\n';
  return text;
}

void RecordInImage(QImage &image, const FigureRecord &record) {
  const QStringList values = Values(record);
  for (int k = 0; k < values.size(); ++k)
    if (!values[k].isEmpty())
      image.setText(QLatin1String(kKeys[k]), values[k]);
}

QByteArray RecordXmp(const QString &title, const FigureRecord &record) {
  const QString xmp =
      QStringLiteral("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
                     "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
                     "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
                     "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
                     "xmlns:xmp='http://ns.adobe.com/xap/1.0/'>\n"
                     "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt>"
                     "</dc:title>\n"
                     "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>%2</rdf:li></rdf:Alt>"
                     "</dc:description>\n"
                     "<xmp:CreatorTool>%3</xmp:CreatorTool>\n"
                     "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>")
          .arg(title.toHtmlEscaped(), RecordText(record).toHtmlEscaped(),
               SoftwareName().toHtmlEscaped());
  return xmp.toUtf8();
}

QString RecordOfFile(const QByteArray &bytes) {
  if (bytes.startsWith("\x89PNG")) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "png");
    QString text;
    for (const char *key : kKeys) {
      const QString value = reader.text(QLatin1String(key));
      if (!value.isEmpty())
        text += QLatin1String(key) + QStringLiteral(": ") + value + '\n';
    }
    return text;
  }
  if (bytes.startsWith("%PDF")) {
    const QString desc = ElementText(QString::fromUtf8(bytes), QStringLiteral("dc:description"));
    return ElementText(desc, QStringLiteral("rdf:li"));
  }
  const QString head = QString::fromUtf8(bytes.left(4096));
  if (head.contains(QLatin1String("<svg")))
    return ElementText(QString::fromUtf8(bytes), QStringLiteral("desc"));
  const qsizetype end = bytes.indexOf('\n');
  return end < 0 ? QString() : QString::fromUtf8(bytes.left(end + 1));
}

QString ShellCommand(const QStringList &words) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
  QStringList quoted;
  for (const QString &w : words)
    quoted << (plain.match(w).hasMatch() ? w : "'" + QString(w).replace("'", "'\"'\"'") + "'");
  return quoted.join(' ');
}

} // namespace morvane::figure
