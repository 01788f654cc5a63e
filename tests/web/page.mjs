export function pageGroups() { return []; }
