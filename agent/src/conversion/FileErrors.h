// The text of a failed read or write: the system error classified into its
// cause, with the file named in place of "%1".
#pragma once

#include <QString>

#include <cstdint>

namespace veyra::agent {

QString FileErrorText(uint32_t systemError, const QString &fileName);

} // namespace veyra::agent
