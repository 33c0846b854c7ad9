#pragma once
// What the system says about Windows 11's menu package for the user the doctor runs as.
#include "shellhost/MenuPackageCheck.h"

namespace pellicor::shellhost
{

// Nothing is found where the package functions or the user's package repository are missing (older
// Windows, Wine): the package then counts as not registered.
MenuPackageFacts ReadMenuPackageFacts();

} // namespace pellicor::shellhost
