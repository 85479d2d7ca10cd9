// SPDX-License-Identifier: MIT
// The tables the library's resource module is made of; Vidur20Resources.cpp joins them.
#pragma once

#include <span>

#include "platform/resources/ResourceTypes.h"

std::span<const DialogTemplate> Vidur20DialogTemplates();
std::span<const StringResource> Vidur20StringTables();
std::span<const IconResource> Vidur20Icons();
