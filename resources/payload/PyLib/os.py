sep = "/"
