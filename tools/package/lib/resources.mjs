// The executable's icon and version resources, written with resedit.
import fs from 'node:fs';

import * as PELibrary from 'pe-library';
import * as ResEdit from 'resedit';

import { PackagingError } from './checks.mjs';
import { iconFromPng } from './icon.mjs';

// The sizes the shell, the taskbar and the caption ask for at 100% to 200%
// scaling, up to the 256 of large Explorer views.
export const ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 96, 128, 256];
// Resource ids: the first icon group is the program's icon in Explorer.
const ICON_GROUP_ID = 1;
const VERSION_ID = 1;
const LANGUAGE_EN_US = 1033;
const CODEPAGE_UNICODE = 1200;

// A .ico from the PNG: centred on a transparent square, then every size
// resampled from it (256 stored as PNG, the smaller ones as 32-bit bitmaps).
export function makeIconFile(pngFile, icoFile) {
  let icon;
  try {
    icon = iconFromPng(fs.readFileSync(pngFile), [...ICON_SIZES].reverse());
  } catch (error) {
    throw new PackagingError(pngFile, `the window icon cannot be read as an image (${error.message})`);
  }
  fs.writeFileSync(icoFile, icon);
}

function versionStrings(app, exeName) {
  const strings = {
    ProductName: app.productName,
    FileDescription: app.description,
    FileVersion: app.version.text || app.version.numbers.join('.'),
    ProductVersion: app.version.text || app.version.numbers.join('.'),
    OriginalFilename: exeName,
    InternalName: app.fileName,
  };
  if (app.publisher) strings.CompanyName = app.publisher;
  return strings;
}

function writeVersion(entries, app, exeName) {
  const info = ResEdit.Resource.VersionInfo.createEmpty();
  info.lang = LANGUAGE_EN_US;
  const [major, minor, patch, build] = app.version.numbers;
  info.setFileVersion(major, minor, patch, build, LANGUAGE_EN_US);
  info.setProductVersion(major, minor, patch, build, LANGUAGE_EN_US);
  // The texts as written in package.json, after the numeric fields' defaults.
  info.setStringValues({ lang: LANGUAGE_EN_US, codepage: CODEPAGE_UNICODE },
    versionStrings(app, exeName));
  info.outputToResourceEntries(entries);
  return VERSION_ID;
}

// Rewrites the executable in place with the version resource and, when given,
// the icon file as its first icon group.
export function brandExecutable(exeFile, app, icoFile) {
  const executable = PELibrary.NtExecutable.from(fs.readFileSync(exeFile));
  const resources = PELibrary.NtExecutableResource.from(executable);
  if (icoFile) {
    const icons = ResEdit.Data.IconFile.from(fs.readFileSync(icoFile));
    ResEdit.Resource.IconGroupEntry.replaceIconsForResource(resources.entries, ICON_GROUP_ID,
      LANGUAGE_EN_US, icons.icons.map((item) => item.data));
  }
  writeVersion(resources.entries, app, exeFile.split(/[/\\]/u).pop());
  resources.outputResource(executable);
  fs.writeFileSync(exeFile, Buffer.from(executable.generate()));
}
