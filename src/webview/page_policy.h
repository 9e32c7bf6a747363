#pragma once
// What the page may do beyond its own document: leave it, open windows, use
// permissions, start other programs through links. Portable: addresses as UTF-8.
#include <cstdint>
#include <string>

// Only web and mail addresses go to the shell: "open" on a file: or another
// scheme would let a page start local programs.
bool IsSafeForShell(const std::string& uri);

enum class NavigationVerdict { Allow, Cancel, OpenInShell };

// Bundle mode: the address must begin with the page origin, byte for byte.
// Remote mode: it must have main's web origin; another one is cancelled, and
// goes to the shell by the rules of new windows.
NavigationVerdict JudgeNavigation(const std::string& uri, const std::string& pageOrigin,
                                  bool remote, bool userInitiated);

// A new window reaches the shell only for a click or a key, never from script alone
// (an ad frame could otherwise open tabs in a loop).
bool NewWindowGoesToShell(const std::string& uri, bool userInitiated);

// Permissions (camera, microphone, location...) are the application's alone:
// frames of other origins are refused even when the page delegates to them.
bool AllowsPermission(const std::string& requestingUri, const std::string& pageOrigin);

// The answer to a permission request: leave the runtime's own prompt, allow, deny.
enum class PermissionAnswer { RuntimePrompt, Allow, Deny };

// By kind (COREWEBVIEW2_PERMISSION_KIND's value), for the application's origin:
// file write access is never given by asking (only by how a handle is posted),
// autoplay always is, and a kind the manifest allows (a bit per kind) is given
// without a prompt. Other origins are denied.
PermissionAnswer AnswerPermission(const std::string& requestingUri, const std::string& pageOrigin,
                                  int kind, uint32_t allowedKinds);

// An external scheme (steam://, ms-settings:...) asked for by another origin is
// cancelled; the application's own keep the runtime's prompt.
bool AllowsExternalScheme(const std::string& initiatingOrigin, const std::string& pageOrigin);
