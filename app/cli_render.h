#pragma once

#include <string>
#include <vector>

/// `beatwright-cli render FILE.bwp --library FILE.slb (--pattern [N] | --song [--from A]
/// [--to B]) -o OUT.wav`; --from and --to export the song's beats A .. B - 1 (A defaults to 0,
/// B to the beat after "Stop at").
int RenderCommand(const std::vector<std::string>& args);
