#pragma once

#include <string>
#include <vector>

/// `beatwright-cli render FILE.bwp --library FILE.slb (--pattern [N] | --song) -o OUT.wav`
int RenderCommand(const std::vector<std::string>& args);
