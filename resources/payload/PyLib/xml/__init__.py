"""XML support."""
