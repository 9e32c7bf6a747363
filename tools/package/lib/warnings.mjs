// What a release should not ship by accident: packaging goes on, but says so.

export function releaseWarnings(app) {
  const warnings = [];
  if (app.settings.enableDevtools) {
    warnings.push('package.json enables the developer tools: every player can open them with ' +
      'F12. Set "enable-devtools": false in "settings" for a release.');
  }
  if (!app.version.text) {
    warnings.push('package.json has no "version": the program and the installer carry 0.0.0.0, ' +
      'and a later installer cannot tell an upgrade from a downgrade.');
  }
  return warnings;
}
