// Text the user sees (QString) and the bytes the host reads and sends
// (CP949, the superset of KS C 5601): the shell's dialogs and panes convert
// at their edges with these two.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "terminal/HangulCodec.h"

namespace velo {

inline std::string ToHost(const QString& text)
{
    const QByteArray u = text.toUtf8();
    return hangul::EncodeCp949(std::string_view(u.constData(), size_t(u.size())));
}

inline QString FromHost(std::string_view host)
{
    return QString::fromStdString(hangul::DecodeToUtf8(host, hangul::DisplayCode::Ks));
}

}  // namespace velo
