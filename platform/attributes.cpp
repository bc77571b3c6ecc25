// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/attributes.h"

namespace Attributes {

bool isPlainDirectory(const char* name, const struct stat& st)
{
    return name[0] != '.' && S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR);
}

} // namespace Attributes
