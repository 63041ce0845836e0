#pragma once

#include "expected_itx.h"
#include "temp_folder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// A folder of input files for one test, removed with it. Its name holds no ".", so a
// folder inside it is refused like any folder without a dot in its path.
class SquidFolder {
public:
    bool isValid() const { return !QString::fromStdString(m_dir.path()).contains(QLatin1Char('.')); }
    QString path(const QString& name) const { return QDir(QString::fromStdString(m_dir.path())).filePath(name); }

    // Writes `bytes` as the file `name` and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes);
        return file.fileName();
    }

    // A SQUID data file as the instrument writes it, with `rows` (line ends included) after
    // the columns.
    QString writeSquid(const QString& name, const QByteArray& rows) const
    {
        return write(name, QByteArray::fromStdString(kivo::testing::squidFileHead()) + rows);
    }

    static QByteArray read(const QString& filePath)
    {
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private:
    kivo::testing::TempFolder m_dir;
};
