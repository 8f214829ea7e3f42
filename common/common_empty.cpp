// Placeholder until the first sources of the common library exist.
