#pragma once

#include <string>
#include <vector>

/// `beatwright-cli add-sound FILE --library LIB.slb [--name NAME]`
int AddSoundCommand(const std::vector<std::string>& args);
