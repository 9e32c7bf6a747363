#pragma once
// What a second start of an application hands to the copy already running.
#include <string>
#include <vector>

// A name for the session's named objects of this application: its manifest
// name made safe (letters, digits, "-", "_", ".") and short, plus a hash of
// the whole name so that names made alike stay apart.
std::string InstanceObjectName(const std::string& appName);

// The second copy's arguments as a JSON array of strings.
std::string EncodeArguments(const std::vector<std::string>& arguments);

// The page message for an encoded argument list, or empty text when the
// payload is not a JSON array of strings.
std::string SecondInstanceMessage(const std::string& payload);
