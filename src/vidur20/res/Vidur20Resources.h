// SPDX-License-Identifier: MIT
// The library's resource module: templates 229 to 232, strings 11 to 13 and icons 233 to
// 242, 245 and 246. The module's start-up adds it to the ResourceChain.
#pragma once

#include "platform/resources/ResourceTypes.h"

const ResourceModule& Vidur20ResourceModule();
