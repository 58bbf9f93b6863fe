#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Pictures and OLE objects taken from the RTF documents of the test corpus
// (real Word and WordPad files): the hex data of each \pict (WMF or EMF) and
// each \objdata, with the class of its object. A scan of the RTF text, not a
// reader: enough for files whose pictures and objects are written in hex.
namespace corpus {

struct Piece
{
    QString kind; // "wmf", "emf" or the object's class (e.g. "Equation.3")
    QByteArray data;
    QByteArray resultWmf; // an object's \result picture (a WMF), if it has one
};

QList<Piece> pictures(const QByteArray& rtf);
QList<Piece> objects(const QByteArray& rtf);
QByteArray readFile(const QString& path);
// A file of the test data folder (tests/data).
QString dataPath(const QString& relative);

} // namespace corpus
