"""DOM support."""
