import { capitalise } from './text.mjs';

export const greeting = (name) => `${capitalise('hello')}, ${name}!`;
