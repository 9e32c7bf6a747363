// What a release should not ship by accident: packaging goes on, but says so.
import fs from 'node:fs';
import path from 'node:path';

// Files under www/ named steam_appid.txt, which would travel with the program.
function steamAppIdFiles(app) {
  const www = path.join(app.folder, 'www');
  if (!fs.existsSync(www)) return [];
  return fs.readdirSync(www, { recursive: true })
    .filter((name) => path.basename(String(name)).toLowerCase() === 'steam_appid.txt');
}

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
  if (app.settings.contentMode === 'remote' && /^http:/iu.test(app.settings.main)) {
    warnings.push(`package.json's "main" is ${app.settings.main}, an http address: whoever answers ` +
      'there gets the page and its directory handles. On http://localhost another program on the ' +
      'player\'s computer can take the port first; elsewhere anyone on the way can change the ' +
      'page. Use https for a release.');
  }
  for (const name of steamAppIdFiles(app)) {
    warnings.push(`www/${name} would be shipped: steam_appid.txt is for development only and ` +
      'lets the game start outside Steam. Remove it for a release.');
  }
  for (const name of app.decomposedNames ?? []) {
    warnings.push(`${name.split(path.sep).join('/')} is named in decomposed Unicode (not NFC), ` +
      'as a Mac writes names: pages ask for the composed form. The package ships it composed, ' +
      'and the program finds either; rename it so other tools do too.');
  }
  // Scripts an offline package would fetch from elsewhere (lib/engines.mjs).
  warnings.push(...(app.engineWarnings ?? []));
  return warnings;
}
