def decode(text):
    return text
