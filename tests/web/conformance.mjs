export function conformanceGroups() { return []; }
