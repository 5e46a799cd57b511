// Placeholder source for a module that has no code yet.
