// Placeholder: to be written.
