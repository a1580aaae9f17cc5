#include "shell/QtSettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <charconv>

namespace velo {

namespace {

QString FromView(std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); }

// '%' first so that the escape stays reversible; '/' and '\' would split the
// key into groups inside QSettings.
QString EscapeName(std::string_view name)
{
    QString n = FromView(name);
    n.replace(u'%', QStringLiteral("%25"));
    n.replace(u'/', QStringLiteral("%2F"));
    n.replace(u'\\', QStringLiteral("%5C"));
    return n;
}

// A value read back from an INI file: an unquoted list ("a, b" written by
// hand) comes back as a string list; join it again rather than lose it.
QString ValueText(const QVariant& v)
{
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& path)
    : s_(std::make_unique<QSettings>(path.isEmpty() ? DefaultPath() : path, QSettings::IniFormat))
{
}

QtSettingsStore::~QtSettingsStore()
{
    std::lock_guard lock(mutex_);
    s_->sync();
}

QString QtSettingsStore::DefaultPath()
{
    // $XDG_CONFIG_HOME (or ~/.config) /Brenwick/Vellow.conf
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brenwick/Vellow.conf");
}

QString QtSettingsStore::FileName() const { return s_->fileName(); }

QString QtSettingsStore::Key(std::string_view section, std::string_view entry)
{
    return EscapeName(section) + u'/' + EscapeName(entry);
}

int QtSettingsStore::ReadInt(std::string_view section, std::string_view entry, int def)
{
    std::lock_guard lock(mutex_);
    QVariant v = s_->value(Key(section, entry));
    if (!v.isValid())
        return def;
    QByteArray t = ValueText(v).trimmed().toUtf8();
    // A registry integer is 32 bits: a stored value that does not fit, or is
    // no number, reads as the default.
    int32_t n = 0;
    auto [p, ec] = std::from_chars(t.constData(), t.constData() + t.size(), n);
    return (ec == std::errc() && p == t.constData() + t.size() && !t.isEmpty()) ? n : def;
}

std::string QtSettingsStore::ReadString(std::string_view section, std::string_view entry,
                                        std::string_view def)
{
    std::lock_guard lock(mutex_);
    QVariant v = s_->value(Key(section, entry));
    if (!v.isValid())
        return std::string(def);
    return ValueText(v).toStdString();
}

bool QtSettingsStore::WriteInt(std::string_view section, std::string_view entry, int value)
{
    std::lock_guard lock(mutex_);
    s_->setValue(Key(section, entry), value);
    return s_->status() == QSettings::NoError;
}

bool QtSettingsStore::WriteString(std::string_view section, std::string_view entry,
                                  std::string_view value)
{
    std::lock_guard lock(mutex_);
    s_->setValue(Key(section, entry), FromView(value));
    return s_->status() == QSettings::NoError;
}

bool QtSettingsStore::DeleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    s_->remove(EscapeName(section));
    return true;
}

int QtSettingsStore::ImportMissing(const QString& iniPath)
{
    QFileInfo fi(iniPath);
    if (!fi.isFile() || !fi.isReadable())
        return -1;
    QSettings src(iniPath, QSettings::IniFormat);
    if (src.status() != QSettings::NoError)
        return -1;
    std::lock_guard lock(mutex_);
    int copied = 0;
    // Keys of both files carry the same escaping, so they copy as they are.
    const QStringList keys = src.allKeys();
    for (const QString& k : keys) {
        if (s_->contains(k))
            continue;
        s_->setValue(k, ValueText(src.value(k)));
        ++copied;
    }
    return copied;
}

bool QtSettingsStore::Flush()
{
    std::lock_guard lock(mutex_);
    s_->sync();
    return s_->status() == QSettings::NoError;
}

}  // namespace velo
