// The settings ini: the keys the component reads, and one it never finds, so that the whole file
// is scanned.
#include "InputFile.h"

#include "services/settings/Settings.h"

#include <cstdlib>

namespace {

// What ReadIniValue promises whatever the file holds: at most 127 characters and no NUL.
void checkProfileValue(const QString& value) {
    if (value.size() > 127 || value.contains(QChar(u'\0')))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = kema::fuzz::writeInput("settings.ini", data, size);
    qputenv("KEMA_SETTINGS", path.toLocal8Bit());
    for (const char* key : {"KIGYO", "AREA", "DBPARMS", "DBPARMC", "ABSENT"}) {
        const QString name = QString::fromLatin1(key);
        if (kema::GetSetting(QStringLiteral("NWLS\\COMMON"), name).contains(QChar(u'\0')))
            std::abort();
        checkProfileValue(kema::ReadIniValue(path, QStringLiteral("NWLS\\Common"), name, {}));
    }
    return 0;
}
