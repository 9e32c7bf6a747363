export const capitalise = (word) => word[0].toUpperCase() + word.slice(1);
