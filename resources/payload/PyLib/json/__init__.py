"""Minimal package marker."""
