#include "sound/wavplayer.h"

#include "sound/wavoutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QtEndian>

bool WavPlayer::isCompleteWave(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return false;
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!file.seek(pos))
            return false;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return false;
        const qint64 length = qFromLittleEndian<quint32>(header.constData() + 4);
        if (pos + 8 + length > size)
            return false;
        const QByteArray id = header.left(4);
        if (id == "fmt ")
            haveFormat = length >= 16;
        else if (id == "data")
            return haveFormat && length > 0;
        pos += 8 + length + (length & 1); // chunks are padded to an even length
    }
    return false;
}

QStringList WavPlayer::defaultModulePaths()
{
    const QString exe = QCoreApplication::applicationDirPath();
    const QString file = QStringLiteral(QUORL_WAVOUT_FILE);
    QStringList paths{
        QDir(exe).filePath(file),
        QDir::cleanPath(QDir(exe).filePath(QStringLiteral(QUORL_WAVOUT_FROM_BINDIR "/") + file)),
    };
    // As with the shipped data (Paths::dataFolder), an installed program never loads code
    // from the folder it was built in.
    const QString exeFolder = QDir::cleanPath(QDir(exe).absolutePath()) + u'/';
    const QString build = QDir::cleanPath(QStringLiteral(QUORL_BUILD_DIR)) + u'/';
    if (exeFolder.startsWith(build))
        paths << QStringLiteral(QUORL_WAVOUT_BUILD_PATH);
    paths.removeDuplicates();
    return paths;
}

WavPlayer::WavPlayer(QStringList modulePaths) : modulePaths_(std::move(modulePaths)) {}

WavPlayer::~WavPlayer() = default;

bool WavPlayer::ensureOutput()
{
    if (output_)
        return true;
    if (loadFailed_)
        return false;
    loadFailed_ = true; // one attempt, and one warning, per player
    const QStringList paths = modulePaths_.isEmpty() ? defaultModulePaths() : modulePaths_;
    QString problem;
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path))
            continue;
        // Never unloaded: the output runs the module's code for as long as the player lives.
        // Every symbol is bound now, so a QtMultimedia that lacks one fails here instead of
        // ending the program at the first call that needs it.
        QLibrary module(path);
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!module.load()) {
            if (problem.isEmpty())
                problem = module.errorString();
            continue;
        }
        const auto create =
            reinterpret_cast<WavOutputFactory>(module.resolve(wavOutputFactoryName));
        if (!create) {
            if (problem.isEmpty())
                problem = path + QStringLiteral(" has no ") + QLatin1String(wavOutputFactoryName);
            continue;
        }
        output_.reset(create());
        loadFailed_ = false;
        return true;
    }
    if (problem.isEmpty())
        problem = QStringLiteral("found none of ") + paths.join(QStringLiteral(", "));
    qWarning("wave sounds are off: %s", qPrintable(problem));
    return false;
}

void WavPlayer::play(const QString& path)
{
    if (output_)
        output_->stop();
    // A file that would not play is not worth loading the module for.
    if (!isCompleteWave(path) || !ensureOutput() || !output_->hasDevice())
        return;
    output_->play(path);
}

bool WavPlayer::isPlaying() const
{
    return output_ && output_->isPlaying();
}

void WavPlayer::stop()
{
    if (output_)
        output_->stop();
}

bool WavPlayer::hasOutputDevice() const
{
    return output_ && output_->hasDevice();
}
