// Placeholder until the first job sources land.
