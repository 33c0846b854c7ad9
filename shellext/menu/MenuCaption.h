#pragma once
// The product's name over the client's items: the classic submenu's caption and the title of
// Explorer's command menu on Windows 11.
#include "shellext/resources/LocalizedString.h"
#include "shellext/resources/ResourceIds.h"

#include <string>

namespace pellicor
{

// Read once per process: a change of language shows in the caption from the next process on.
inline const std::wstring& MenuCaption()
{
    static const std::wstring caption = LoadLocalizedString(IDS_PRODUCT_NAME);
    return caption;
}

} // namespace pellicor
