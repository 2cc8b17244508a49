// Theme files: the keys of a .qth file read into a theme record, with a background
// picture (the input's second part, after a NUL byte) that the theme may name.
#include "harness.h"

#include "theme/themefile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QList<QByteArray> parts = FuzzHarness::parts(data, size, 2);
    FuzzHarness::writeFile(QStringLiteral("themes/fuzz.qth"), parts.at(0));
    FuzzHarness::writeFile(QStringLiteral("themes/back.bmp"), parts.at(1));
    const QString folder = FuzzHarness::programFolder();
    LoadedTheme theme;
    ThemeFile::load(folder, QStringLiteral("fuzz.qth"), theme,
                    ThemeParts(ThemePart::TextEntry) | ThemePart::NickList);
    // What was read can be written and read again.
    theme.record.name = QStringLiteral("again.qth");
    ThemeFile::save(folder, theme.record);
    ThemeFile::load(folder, QStringLiteral("again.qth"));
    return 0;
}
