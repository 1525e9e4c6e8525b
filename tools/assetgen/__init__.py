"""Generators for the demo's pictures and soundtrack (see tools/make_assets.py)."""
